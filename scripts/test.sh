#!/usr/bin/env bash
# The whole test command: packages, format check, the host builds (optimised, then with
# sanitizers) and their suites, the fuzz targets (their corpora and past crashes
# replayed, then 30 s of fuzzing each), then the static ARM device builds (armel, armhf)
# and their suites under qemu-arm, which check that the binaries are static and of the
# target's architecture, the owner's guide's screenshots against what the program draws
# now, the two release kits, and finally the system scenarios of the armel program on
# an emulated ARM Linux (scripts/qemu/test.sh).
# Set PUMPWRIGHT_HOST_ONLY=1 to skip the device builds while iterating.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)

bash scripts/deps.sh
bash scripts/format-check.sh
bash scripts/check-includes.sh

presets=(release debug fuzz)
if [ "${PUMPWRIGHT_HOST_ONLY:-0}" != 1 ]; then
    presets+=(armel armhf)
fi

timings=()
for preset in "${presets[@]}"; do
    case "$preset" in armel | armhf) bash scripts/cross-deps.sh "$preset" ;; esac
    echo "== $preset build"
    t0=$(date +%s)
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j 2
    t1=$(date +%s)
    echo "== $preset tests"
    ctest --preset "$preset"
    t2=$(date +%s)
    timings+=("$preset: build $((t1 - t0)) s, tests $((t2 - t1)) s")
done

# The owner's guide shows what the program draws now.
bash scripts/usage-shots.sh build/usage >/dev/null
if ! python3 scripts/same-pictures.py docs/usage build/usage; then
    echo "test: the pictures in docs/usage/ are out of date: run bash scripts/usage-shots.sh" >&2
    exit 1
fi

# The release kits come out of the builds above: stripped, checked and packed.
if [ "${PUMPWRIGHT_HOST_ONLY:-0}" != 1 ]; then
    bash scripts/kit.sh armel armhf
fi

# The unchanged armel program on an emulated ARM Linux with a real panel and touch device,
# driven and photographed from the host.
if [ "${PUMPWRIGHT_HOST_ONLY:-0}" != 1 ]; then
    t0=$(date +%s)
    bash scripts/qemu/test.sh
    timings+=("qemu scenarios: $(($(date +%s) - t0)) s")
fi

printf '%s\n' "${timings[@]}"
echo "test: all suites passed in $(($(date +%s) - start)) s"
