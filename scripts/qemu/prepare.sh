#!/usr/bin/env bash
# Prepares the emulated ARM Linux that the system scenarios boot, from Debian's packages
# only, and caches it in build/qemu/:
#   guest/     the armmp kernel (vmlinuz, device trees, modules with their modules.dep)
#              and busybox-static, fetched for armhf and unpacked with dpkg -x
#   apt/       a private apt state and cache (APT::Architecture "armhf"), so the machine's
#              own apt setup, its architectures and its package lists stay untouched
#   probe      a small static armel program: draws a test card into /dev/fb0 and prints
#              every report of an input event device on the console
#   vexpress-clcd16.dtb  the Versatile Express device tree with a 480 x 272 panel on the
#              CoreTile CLCD at 16 bits per pixel
# Idempotent: with everything present it only asks dpkg and compares two stamps.
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/../.."

bash scripts/deps.sh python3 qemu-system-arm kmod device-tree-compiler gcc-arm-linux-gnueabi

cache=build/qemu
mkdir -p "$cache"
cache=$(realpath "$cache")
guest=$cache/guest
stamp=$guest/.packages

if [ ! -f "$stamp" ]; then
    echo "qemu-prepare: fetching the armhf kernel and busybox into $guest"
    apt_dir=$cache/apt
    mkdir -p "$apt_dir/state/lists/partial" "$apt_dir/cache/archives/partial"
    touch "$apt_dir/state/status"
    cat >"$apt_dir/apt.conf" <<EOF
APT::Architecture "armhf";
APT::Architectures { "armhf"; };
APT::Sandbox::User "root";
Dir::State "$apt_dir/state";
Dir::State::status "$apt_dir/state/status";
Dir::Cache "$apt_dir/cache";
EOF
    export APT_CONFIG=$apt_dir/apt.conf
    # A mirror caught mid-sync can fail one list (apt names it); the packages are looked
    # up in the lists that did arrive, and a missing kernel is reported just below.
    if ! apt-get -qq update >/dev/null; then
        echo "qemu-prepare: not every package list arrived; going on with those that did" >&2
    fi
    # The metapackage names the current kernel package; download that one directly.
    kernel=$(apt-cache depends linux-image-armmp | sed -n 's/^ *Depends: \(linux-image-[0-9].*-armmp\)$/\1/p' | head -n 1)
    [ -n "$kernel" ] || {
        echo "qemu-prepare: no kernel package behind linux-image-armmp" >&2
        exit 1
    }
    rm -rf "$guest.new"
    mkdir -p "$guest.new/debs"
    (cd "$guest.new/debs" && apt-get -qq download "$kernel" busybox-static)
    for deb in "$guest.new"/debs/*.deb; do
        dpkg -x "$deb" "$guest.new"
    done
    version=${kernel#linux-image-}
    depmod -b "$guest.new" "$version"
    (cd "$guest.new/debs" && ls) >"$guest.new/.packages.tmp"
    rm -rf "$guest.new/debs" "$guest.new/usr/share/doc" "$guest.new/usr/share/man"
    mv "$guest.new/.packages.tmp" "$guest.new/.packages"
    rm -rf "$guest"
    mv "$guest.new" "$guest"
fi

version=$(basename "$(ls "$guest"/lib/modules)")
dtb_dir=$guest/usr/lib/linux-image-$version

# The probe is rebuilt whenever its source changes.
probe_src=scripts/qemu/guest/probe.c
if [ ! -x "$cache/probe" ] || [ "$probe_src" -nt "$cache/probe" ]; then
    arm-linux-gnueabi-gcc -static -O2 -Wall -Wextra -Werror -o "$cache/probe" "$probe_src"
fi

# Route B's panel: the CoreTile CLCD (the one QEMU shows first) drives a 480 x 272 DPI
# panel. Its memory bandwidth is lowered so that the driver picks 16 bits per pixel
# (bandwidth / 125 / pixel clock in kHz, rounded down to a power of two), and the
# motherboard CLCD is switched off so that the panel's controller becomes fb0.
dtb=$cache/vexpress-clcd16.dtb
if [ ! -f "$dtb" ] || [ "$self" -nt "$dtb" ]; then
    cp "$dtb_dir/vexpress-v2p-ca9.dtb" "$dtb.tmp"
    tile=/clcd@10020000
    board=/bus@40000000/motherboard-bus@40000000/iofpga@7,00000000/clcd@1f000
    fdtput -t s "$dtb.tmp" "$board" status disabled
    fdtput -t i "$dtb.tmp" "$tile" max-memory-bandwidth 20000000
    tile_endpoint=$(fdtget -t i "$dtb.tmp" "$tile/port/endpoint" phandle)
    panel_endpoint=4096 # any phandle the tree does not use
    fdtput -c "$dtb.tmp" /panel /panel/port /panel/port/endpoint /panel/panel-timing
    fdtput -t s "$dtb.tmp" /panel compatible panel-dpi
    fdtput -t i "$dtb.tmp" /panel/port/endpoint phandle "$panel_endpoint"
    fdtput -t i "$dtb.tmp" /panel/port/endpoint remote-endpoint "$tile_endpoint"
    fdtput -t i "$dtb.tmp" "$tile/port/endpoint" remote-endpoint "$panel_endpoint"
    # A 4.3-inch 480 x 272 panel at 9 MHz. The CLCD driver refuses the mode when a porch
    # or sync length is below 6.
    for timing in clock-frequency:9000000 hactive:480 vactive:272 hfront-porch:8 \
        hback-porch:43 hsync-len:6 vfront-porch:8 vback-porch:12 vsync-len:10; do
        fdtput -t i "$dtb.tmp" /panel/panel-timing "${timing%%:*}" "${timing##*:}"
    done
    mv "$dtb.tmp" "$dtb"
fi
