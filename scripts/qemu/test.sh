#!/usr/bin/env bash
# The system scenarios: the static armel pumpwright, unchanged, on an emulated ARM Linux
# with a real framebuffer and a real touch device, driven and photographed from the host
# (route A: 32 bits per pixel and a USB tablet; route B: RGB565, first frame only; and on
# route A's machine the calibration tool, then route A with the file it wrote).
# Builds what it needs (the armel program, the host card maker) and prepares the emulator
# (scripts/qemu/prepare.sh, cached in build/qemu/). When a scenario fails, the probe's
# self-test then tells whether the emulated device itself works.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)

bash scripts/qemu/prepare.sh
if ! out=$(python3 scripts/qemu/test_geometry.py 2>&1); then
    echo "$out"
    exit 1
fi
echo "qemu: touch and picture geometry: $(echo "$out" | grep '^Ran')"
bash scripts/cross-deps.sh armel
cmake --preset armel >/dev/null
cmake --build --preset armel -j 2 --target pumpwright pumpwright-calibrate >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target pumpwright-card >/dev/null

if ! python3 scripts/qemu/scenario.py --program build/armel/pumpwright \
    --calibrate-program build/armel/pumpwright-calibrate \
    --card-tool build/release/tools/pumpwright-card A B calibrate; then
    echo "qemu: the emulated device on its own, with the probe instead of the program:"
    python3 scripts/qemu/selftest.py A B || true
    exit 1
fi
echo "qemu: every scenario passed in $(($(date +%s) - start)) s"
