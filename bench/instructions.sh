#!/usr/bin/env bash
# Counts the instructions that one iteration of benchmark cases executes, under valgrind's
# callgrind, so that figures can be compared on a busy machine where times are not. Each
# case runs once with 1 and once with 1 + K iterations; the difference divided by K
# leaves out the program's own start and the case's setup (making the first kept
# background, starting the program for a pass). Cases that do more in an iteration than
# they time count only inside the functions they time (startProgram, dispatchTouch,
# runPass, drawStatisticsView, the picture copies), not in the preparation between
# iterations or the memcpy a copy is compared with.
# The C library is told to copy and fill with vector loops instead of "rep movsb/stosb",
# which valgrind counts as one instruction per byte: the counts then follow the bytes
# moved as a loop of loads and stores does, as on an ARM core.
#   bench/instructions.sh [-b BENCH] [-k K] REGEX...
# REGEX selects cases by name as --benchmark_filter does; prints "name<TAB>instructions".
# BENCH defaults to the release build's pumpwright-bench; K to 4.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bench="$root/build/release/bench/pumpwright-bench"
extra=4
while getopts b:k: option; do
    case "$option" in
    b) bench="$OPTARG" ;;
    k) extra="$OPTARG" ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || { echo "usage: $0 [-b BENCH] [-k K] REGEX..." >&2; exit 2; }
bash "$root/scripts/deps.sh" valgrind

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

no_rep="glibc.cpu.x86_rep_movsb_threshold=0x7fffffffffffffff"
no_rep="$no_rep:glibc.cpu.x86_rep_stosb_threshold=0x7fffffffffffffff"

# The functions whose instructions a case counts; none: all of them.
timed() {
    case "$1" in
    program/start-up+first-pass/*) echo "startProgram* runPass*" ;;
    program/first-pass/* | program/full-redraw/*) echo "runPass*" ;;
    program/save-pass/*) echo "dispatchTouch* runPass*" ;;
    statistics/*) echo "drawStatisticsView*" ;;
    redraw/*) echo "drawBackground(*" ;;
    copy/*) echo "copyImageRegion(*" ;;
    per-pixel/*) echo "copyImageRegionPerPixel(*" ;;
    esac
}

# Instructions of one case (regex, name) run with the given iteration count.
count() {
    local options=() functions function
    read -ra functions <<<"$(timed "$2")"
    for function in "${functions[@]}"; do
        options+=(--collect-atstart=no "--toggle-collect=$function")
    done
    GLIBC_TUNABLES="$no_rep" valgrind --tool=callgrind --callgrind-out-file="$scratch/out" \
        "${options[@]}" "$bench" --iterations="$3" --benchmark_filter="$1" \
        >/dev/null 2>"$scratch/log" || { cat "$scratch/log" >&2; exit 1; }
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$scratch/log"
}

for regex in "$@"; do
    "$bench" --benchmark_list_tests --benchmark_filter="$regex" | while read -r listed; do
        name="${listed%/manual_time}"
        # The exact case: its name with regex characters escaped, and the suffixes a fixed
        # iteration count and a manually timed case add.
        exact="^$(printf '%s' "$name" | sed 's/[][\.*^$+?(){}|]/\\&/g')"
        exact="$exact(/iterations:[0-9]+)?(/manual_time)?\$"
        one=$(count "$exact" "$name" 1)
        more=$(count "$exact" "$name" $((1 + extra)))
        printf '%s\t%d\n' "$name" $(((more - one) / extra))
    done
done
