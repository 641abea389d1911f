#!/usr/bin/env bash
# Makes the release kits: per target out/pumpwright-VERSION-TARGET.tar.gz with the
# stripped static programs (the logbook and the touch calibration tool), the start
# script pumpwright-run and systemd unit pumpwright.service (scripts/kit/), the card
# folder Pumpwright/ drawn by pumpwright-card, and INSTALL. Builds what it needs (the
# host card maker, the device programs) and checks the unit with systemd-analyze.
# Usage: scripts/kit.sh [armel] [armhf]   (both by default)
set -euo pipefail
cd "$(dirname "$0")/.."

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(armel armhf)

bash scripts/deps.sh systemd
bash scripts/cross-deps.sh "${targets[@]}"

cache_value() { # build dir, variable
    sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}

# The card folder is drawn by a desktop tool, so it comes from the host build.
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target pumpwright-card
card_tool=build/release/tools/pumpwright-card

mkdir -p out build/kit
for target in "${targets[@]}"; do
    case "$target" in
    armel)
        devices="ARMv5TE soft-float devices (armel)"
        cpu_note="
                      It runs on ARMv5TE processors and newer (ARM926EJ-S and
                      up); ARMv4T chips such as the ARM920T cannot run its C
                      library."
        ;;
    armhf)
        devices="ARMv7-A hard-float devices (armhf)"
        cpu_note="
                      It runs on ARMv7-A processors with VFPv3 (Cortex-A7, A8,
                      A9, A15 and their kin)."
        ;;
    *)
        echo "kit: unknown target '$target' (armel or armhf)" >&2
        exit 2
        ;;
    esac
    build=build/$target
    cmake --preset "$target" >/dev/null
    cmake --build --preset "$target" -j 2 --target pumpwright pumpwright-calibrate
    version=$(cache_value "$build" CMAKE_PROJECT_VERSION)
    name=pumpwright-$version-$target
    stage=build/kit/$name
    rm -rf "$stage" "build/kit/card-$target"
    mkdir -p "$stage"

    for program in pumpwright pumpwright-calibrate; do
        "$(cache_value "$build" CMAKE_STRIP)" -o "$stage/$program" "$build/$program"
        bash scripts/check-device-binary.sh "$stage/$program" \
            "$(cache_value "$build" PW_EXPECT_CPU_ARCH)" "$(cache_value "$build" PW_EXPECT_FLOAT_ABI)" >/dev/null
    done

    "$card_tool" "build/kit/card-$target"
    mv "build/kit/card-$target/mnt/sdcard/Pumpwright" "$stage/Pumpwright"
    rm -rf "build/kit/card-$target"
    # The default look: five 400 x 256 RGB565 pictures and the font.
    for picture in s0.raw s0a.raw s1.raw s1a.raw s2.raw; do
        size=$(stat -c %s "$stage/Pumpwright/$picture")
        [ "$size" -eq $((400 * 256 * 2)) ] || {
            echo "kit: $picture is $size bytes, expected $((400 * 256 * 2))" >&2
            exit 1
        }
    done
    [ -s "$stage/Pumpwright/Diduz.ovo" ] || {
        echo "kit: the card folder has no font" >&2
        exit 1
    }

    cp scripts/kit/pumpwright-run scripts/kit/pumpwright.service "$stage/"
    # The unit as it would be installed, pointing at the staged start script.
    sed "s|/opt/pumpwright/|$(realpath "$stage")/|" scripts/kit/pumpwright.service >build/kit/check.service
    if ! verdict=$(systemd-analyze verify build/kit/check.service 2>&1) || [ -n "$verdict" ]; then
        echo "kit: systemd-analyze verify finds fault with pumpwright.service:" >&2
        echo "$verdict" >&2
        exit 1
    fi
    rm build/kit/check.service

    # The font is GNU FreeFont, GPL 3 or later with its font exception: its terms travel
    # with it.
    cp /usr/share/doc/fonts-freefont-ttf/copyright "$stage/FONT-LICENSE"

    sed -e "s/@VERSION@/$version/" -e "s/@DEVICES@/$devices/" scripts/kit/INSTALL |
        awk -v note="$cpu_note" '{ sub(/@CPU_NOTE@/, note); print }' >"$stage/INSTALL"

    tar -czf "out/$name.tar.gz" --owner=0 --group=0 --sort=name -C build/kit "$name"
    echo "kit: out/$name.tar.gz ($(stat -c %s "out/$name.tar.gz") bytes;" \
        "pumpwright stripped $(stat -c %s "$stage/pumpwright") bytes," \
        "pumpwright-calibrate $(stat -c %s "$stage/pumpwright-calibrate") bytes)"
done
