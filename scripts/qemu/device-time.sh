#!/usr/bin/env bash
# Device time: the milliseconds of a statistics screen at 100 and 1,000 records, a full
# redraw and a SAVE pass, measured by the armel build of pumpwright-device-time on the
# emulated ARM Linux with QEMU's -icount, at 250 and 125 M instructions per second
# (shift 2 and 3; other shifts as arguments). The same figures on every run and host.
# About a minute and a half on a busy 2-core machine (two boots of the emulated machine
# and the checks of the builds), so it is not part of the test command.
# Usage: scripts/qemu/device-time.sh [SHIFT...]
set -euo pipefail
cd "$(dirname "$0")/../.."

bash scripts/qemu/prepare.sh
bash scripts/cross-deps.sh armel
cmake --preset armel >/dev/null
cmake --build --preset armel -j 2 --target pumpwright-device-time >/dev/null
python3 scripts/qemu/device_time.py --program build/armel/bench/pumpwright-device-time "$@"
