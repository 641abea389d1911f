#!/usr/bin/env bash
# The main demo: builds the release programs, makes a card in a scratch root and runs
# the simulator through a refill typed on the keypad and saved, taking a screenshot at
# each step. Prints where the screenshots are. Usage: scripts/demo.sh [OUTPUT_DIR]
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

# Layout centres of the default buttons (400 x 256 layout).
declare -A at=(
    [1]="43 80" [2]="121 80" [3]="198 80" [4]="43 130" [5]="121 130" [6]="198 130"
    [7]="43 177" [8]="121 177" [9]="198 177" [C]="43 225" [0]="121 225" [.]="198 225"
    [DRIVEN]="276 30" [REFILLED]="276 80" [PAID]="276 130" [SAVE]="276 177"
)
type_keys() {
    local keys="$1" i
    for ((i = 0; i < ${#keys}; i++)); do echo "ltap ${at[${keys:i:1}]}"; done
}

{
    echo "# a refill of car 1: 412 km driven, 31.5 l taken, 44.07 paid"
    echo "pass"
    echo "shot $shots/1-start.png"
    type_keys 412
    echo "shot $shots/2-typed.png"
    echo "ltap ${at[DRIVEN]}"
    type_keys 31.5
    echo "ltap ${at[REFILLED]}"
    type_keys 44.07
    echo "ltap ${at[PAID]}"
    echo "shot $shots/3-entered.png"
    echo "ltap ${at[SAVE]}"
    echo "shot $shots/4-saved.png"
} >"$out/refill.script"

build/release/tools/pumpwright-sim --root "$root" --script "$out/refill.script"

echo "card:        $root/mnt/sdcard/Pumpwright/"
echo "record:      $(tail -n 1 "$root/mnt/sdcard/Pumpwright/consumption.txt" | tr '\t' ' ')"
echo "screenshots:"
for f in "$shots"/*.png; do echo "  $f"; done
