#!/usr/bin/env bash
# The main demo: builds the release programs, makes a card in a scratch root with a
# year of sample refills on it, and runs the simulator through a tour: the entry screen,
# a refill typed on the keypad and saved, the settings screen (where the tank size is
# typed), the three statistics screens and EXIT, taking a screenshot at each step.
# Prints where the screenshots are. Usage: scripts/demo.sh [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target pumpwright-sim pumpwright-card >/dev/null

out="$(realpath -m "${1:-build/demo}")"
root="$out/root"
shots="$out/shots"
rm -rf "$out"
mkdir -p "$shots"
build/release/tools/pumpwright-card "$root"
card="$root/mnt/sdcard/Pumpwright"
bash scripts/sample-log.sh >"$card/consumption.txt"

# Layout centres of the default buttons (400 x 256 layout) and of the statistics area.
declare -A at=(
    [1]="43 80" [2]="121 80" [3]="198 80" [4]="43 130" [5]="121 130" [6]="198 130"
    [7]="43 177" [8]="121 177" [9]="198 177" [C]="43 225" [0]="121 225" [.]="198 225"
    [DRIVEN]="276 30" [REFILLED]="276 80" [PAID]="276 130" [SAVE]="276 177"
    [EXIT]="353 30" [STATS]="276 225" [CONFIG]="353 225"
    [CAR1FUELFULL]="353 80" [RECAP]="353 225" [AREA]="200 126"
)
type_keys() {
    local keys="$1" i
    for ((i = 0; i < ${#keys}; i++)); do echo "ltap ${at[${keys:i:1}]}"; done
}

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

build/release/tools/pumpwright-sim --root "$root" --script "$out/tour.script"

echo "card:        $card/"
echo "record:      $(tail -n 1 "$card/consumption.txt" | tr '\t' ' ')"
echo "tank size:   $(grep '^P_CAR1FUELFULL' "$card/properties.txt" | tr '\t' ' ') (saved by EXIT)"
echo "screenshots:"
for f in "$shots"/*.png; do echo "  $f"; done

# The logbook companion on the same card: the summary per vehicle, and the report as one
# HTML page with its charts.
cmake --build --preset release -j 2 --target pumpwright-log >/dev/null
echo
echo "summary (pumpwright-log summary --card $card):"
build/release/tools/log/pumpwright-log summary --card "$card"
build/release/tools/log/pumpwright-log report --card "$card" -o "$out/report.html"
echo "report:      $out/report.html"
