#!/usr/bin/env bash
# The main demo: builds the release programs, makes a card in a scratch root with a
# year of sample refills on it, and runs the simulator through a tour: the entry screen,
# a refill typed on the keypad and saved, the settings screen (where the tank size is
# typed), the three statistics screens and EXIT, taking a screenshot at each step.
# Last, the logbook companion prints the card's summary and writes its report. Every
# step says what it does and how long it took. Usage: scripts/demo.sh [OUTPUT_DIR]
#
# OUTPUT_DIR (default build/demo in the repository; a relative path is taken from the
# folder the command is typed in) must be new, empty, or a folder of an earlier demo:
# the demo leaves a marker file there and, on the next run, replaces only the things
# it made itself. Anything else in the folder makes it stop before it writes.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$repo/build/demo}")"
cd "$repo"

marker=.pumpwright-demo
made=(root shots tour.script "$marker")
if [ -e "$out" ] && [ ! -d "$out" ]; then
    echo "demo: $out exists and is not a folder; give another one" >&2
    exit 2
fi
if [ -d "$out" ] && [ -n "$(ls -A "$out")" ] && [ ! -f "$out/$marker" ]; then
    echo "demo: $out is not empty and holds no earlier demo; give a new or empty folder" >&2
    exit 2
fi

# "took N s" after each step: the seconds since the step began.
step=$SECONDS
took() {
    echo "demo: ... took $((SECONDS - step)) s"
    step=$SECONDS
}

echo "demo: checking the packages (apt installs what is missing, a few minutes the first time)"
bash scripts/deps.sh
took
echo "demo: configuring the release build in build/release"
if ! log=$(cmake --preset release 2>&1); then
    echo "$log" >&2
    exit 1
fi
took
echo "demo: building the simulator, the card maker and the logbook companion pumpwright-log"
echo "      (the first time about 80 s of processor time: a minute or so on 2 idle cores,"
echo "      several on a busy machine; seconds after that)"
cmake --build --preset release -j 2 --target pumpwright-sim pumpwright-card pumpwright-log
took

for thing in "${made[@]}"; do rm -rf "${out:?}/$thing"; done
root="$out/root"
shots="$out/shots"
mkdir -p "$shots"
echo "Made by scripts/demo.sh; the next demo replaces: ${made[*]}" >"$out/$marker"
echo "demo: making the card in $root"
build/release/tools/pumpwright-card "$root"
card="$root/mnt/sdcard/Pumpwright"
# a year of refills that ends a few days before today, so that today's refill of the
# tour continues it
bash scripts/sample-log.sh --ending "$(date -u +%F)" >"$card/consumption.txt"

. scripts/tour-keys.sh
{
    echo "pass"
    echo "shot $shots/1-entry.png"
    echo "# a refill of car 1: 412 km driven, 31.5 l taken, 55.44 paid"
    type_keys 412
    echo "ltap ${at[DRIVEN]}"
    type_keys 31.5
    echo "ltap ${at[REFILLED]}"
    type_keys 55.44
    echo "ltap ${at[PAID]}"
    echo "shot $shots/2-refill-typed.png"
    echo "ltap ${at[SAVE]}"
    echo "shot $shots/3-refill-saved.png"
    echo "# settings: car 1 holds 55 l, so the graph shows the range of a full tank"
    echo "ltap ${at[CONFIG]}"
    type_keys 55
    echo "ltap ${at[CAR1FUELFULL]}"
    echo "shot $shots/4-settings.png"
    echo "# the recap, then back to the entry screen through the statistics area"
    echo "ltap ${at[RECAP]}"
    echo "shot $shots/5-recap.png"
    echo "ltap ${at[AREA]}"
    echo "# statistics: the fuel-distance graph, then the consumption and price bars"
    echo "ltap ${at[STATS]}"
    echo "shot $shots/6-fuel-distance.png"
    echo "ltap ${at[AREA]}"
    echo "shot $shots/7-consumption-price.png"
    echo "ltap ${at[AREA]}"
    echo "# EXIT: the finger on the button, then lifted: the settings are saved, the program ends"
    echo "lpress ${at[EXIT]}"
    echo "pass"
    echo "shot $shots/8-exit.png"
    echo "lrelease ${at[EXIT]}"
    echo "pass"
} >"$out/tour.script"

echo "demo: touring the program in the simulator ($out/tour.script)"
build/release/tools/pumpwright-sim --root "$root" --script "$out/tour.script"
took

echo "card:        $card/"
echo "record:      $(tail -n 1 "$card/consumption.txt" | tr '\t' ' ')"
echo "tank size:   $(grep '^P_CAR1FUELFULL' "$card/properties.txt" | tr '\t' ' ') (saved by EXIT)"
echo "screenshots:"
for f in "$shots"/*.png; do echo "  $f"; done

# The logbook companion on the same card: the summary per vehicle, and the report as one
# HTML page with its charts.
echo
echo "summary (pumpwright-log summary --card $card):"
build/release/tools/log/pumpwright-log summary --card "$card"
build/release/tools/log/pumpwright-log report --card "$card" -o "$out/report.html"
echo "report:      $out/report.html"
echo "demo: done in $SECONDS s"
