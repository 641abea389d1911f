#!/usr/bin/env bash
# Makes the screenshots of the owner's guide (docs/USAGE.md) with the simulator, from the
# current pictures and layout, so the guide shows what the device shows. Run it again
# after changing the look. Usage: scripts/usage-shots.sh [OUTPUT_DIR]   (default
# docs/usage; a relative path is taken from the folder the command is typed in)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
shots="$(realpath -m "${1:-$repo/docs/usage}")"
cd "$repo"

bash scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target pumpwright-sim pumpwright-card >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
card="$root/mnt/sdcard/Pumpwright"
build/release/tools/pumpwright-card "$root" >/dev/null
mkdir -p "$shots"

. scripts/tour-keys.sh
shot() { echo "shot $shots/$1.png"; }
exit_program() {
    echo "lpress ${at[EXIT]}"
    echo "pass"
    [ $# -eq 0 ] || shot "$1"
    echo "lrelease ${at[EXIT]}"
    echo "pass"
}
simulate() { # the script on stdin
    build/release/tools/pumpwright-sim --root "$root" --script /dev/stdin
}

# Entering refills on an empty card: trip mode, corrections, odometer mode, a top-up,
# a tank size, a tire change, and EXIT.
{
    echo "pass"
    shot start
    type_keys 412
    shot trip-typed
    touch_key DRIVEN
    shot trip-driven
    type_keys 31.5
    touch_key REFILLED
    type_keys 55.44
    touch_key PAID
    shot trip-all-three
    touch_key SAVE
    shot trip-saved

    type_keys 4122
    shot typo
    touch_key C
    shot typo-cleared
    type_keys 31.5
    touch_key REFILLED
    touch_key REFILLED
    shot second-touch
    touch_key REFILLED
    shot third-touch
    touch_key C

    touch_key CAR2
    shot car2
    touch_key CAR1

    touch_key CONFIG
    touch_key TOTALDIST
    shot odometer-mode
    touch_key BACK
    type_keys 48210
    touch_key DRIVEN
    type_keys 42.1
    touch_key REFILLED
    type_keys 70.3
    touch_key PAID
    shot odometer-all-three
    touch_key SAVE
    shot odometer-saved
    type_keys 18.5
    touch_key REFILLED
    type_keys 31.1
    touch_key PAID
    shot top-up
    touch_key SAVE

    touch_key CONFIG
    type_keys 55
    touch_key CAR1FUELFULL
    shot tank-size
    type_keys 48500
    touch_key WHEELCHANGE
    shot tires
    touch_key BACK
    exit_program exit
} | simulate

# The statistics of a year of refills of car 1 (with the tank size of 55 set above).
bash scripts/sample-log.sh >"$card/consumption.txt"
{
    touch_key STATS
    shot fuel-distance
    touch_key AREA
    shot consumption-price
    touch_key AREA
    touch_key CONFIG
    touch_key RECAP
    shot recap
    touch_key AREA
    exit_program
} | simulate

# The half turn, for a panel mounted upside down: set in properties.txt.
sed -i 's/^P_ROT180: .*/P_ROT180: 1/' "$card/properties.txt"
{
    echo "pass"
    shot half-turn
} | simulate

echo "usage-shots: $(ls "$shots" | wc -l) screenshots in $shots"
