#!/usr/bin/env bash
# A newcomer's first steps, as the README gives them: the demo, the skin walk-through
# typed from the repository root, and pumpwright-log on the demo's card. Each must show
# what it does and leave things where it says. Runs on the release build the demo makes.
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "newcomer: $*" >&2
    exit 1
}

# The demo: every build in view, each step timed, and today's refill continuing the
# sample year rather than a year after it.
if ! bash "$repo/scripts/demo.sh" "$scratch/demo" >"$scratch/demo.out" 2>&1; then
    cat "$scratch/demo.out" >&2
    fail "scripts/demo.sh failed"
fi
grep -q "Built target pumpwright-log" "$scratch/demo.out" ||
    fail "the demo built pumpwright-log out of sight: $(cat "$scratch/demo.out")"
[ "$(grep -c '^demo: \.\.\. took [0-9]* s$' "$scratch/demo.out")" -ge 4 ] ||
    fail "the demo's steps do not say how long they took"
card="$scratch/demo/root/mnt/sdcard/Pumpwright"
days=$(grep -v '^#' "$card/consumption.txt" | tail -n 2 | cut -f 7 | while read -r t; do
    date -u -d "$t" +%s
done | paste -sd' ' | awk '{ print int(($2 - $1) / 86400) }')
[ "$days" -ge 0 ] && [ "$days" -le 30 ] ||
    fail "the demo's refill comes $days days after the sample's last one"

# The README's skin walk-through, from a checkout's root (here one with the release build
# in place), without the window: everything lands in a folder under build/.
checkout="$scratch/checkout"
mkdir -p "$checkout/build"
ln -s "$repo/build/release" "$checkout/build/release"
echo "pass" >"$scratch/pass.script"
awk '/^### From a PNG drawn elsewhere/ { found = 1 } found && /^```$/ { exit }
     inside { print } found && /^```sh$/ { inside = 1 }' "$repo/README.md" |
    sed "s#--window --zoom 2#--script $scratch/pass.script#" >"$scratch/walk.sh"
grep -q "pumpwright-card check" "$scratch/walk.sh" || fail "no skin walk-through in the README"
(cd "$checkout" && bash -euo pipefail "$scratch/walk.sh") >"$scratch/walk.out" 2>&1 ||
    fail "the walk-through failed: $(cat "$scratch/walk.out")"
[ "$(ls -A "$checkout")" = "build" ] ||
    fail "the walk-through left $(ls -A "$checkout" | paste -sd' ') in the checkout's root"

# pumpwright-log, told to write into a folder that is not there, names that folder.
status=0
(cd "$scratch" && "$repo/build/release/tools/log/pumpwright-log" export --card "$card" \
    --format csv --vehicle 1 -o missing/x.csv) 2>"$scratch/said" || status=$?
[ "$status" -eq 1 ] && grep -q "no folder missing/ " "$scratch/said" &&
    ! grep -q "x.csv.tmp" "$scratch/said" ||
    fail "export into a missing folder: status $status, said: $(cat "$scratch/said")"
