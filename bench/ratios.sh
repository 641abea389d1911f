#!/usr/bin/env bash
# Prints, per panel and depth, each whole-screen copy against a memcpy of the same bytes:
# the full redraw from a kept background and, in brackets, the direct copy, for every
# turn. Each iteration of a case times a memcpy and the copy back to back and keeps their
# ratio, so that both meet the same load on a busy machine; the table shows the median
# over the iterations, and of that the median over the repetitions.
#   bench/ratios.sh [BENCH] [REPETITIONS] [MIN_TIME]
# Defaults: the release build's pumpwright-bench, 5 repetitions of at least 0.05 s each.
set -euo pipefail
bench="${1:-$(dirname "$0")/../build/release/bench/pumpwright-bench}"
repetitions="${2:-5}"
min_time="${3:-0.05}"

"$bench" --benchmark_filter='^(redraw|copy)/' --benchmark_repetitions="$repetitions" \
    --benchmark_min_time="$min_time" \
    --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
    awk -F, '
$1 == "name" {
    for (i = 1; i <= NF; ++i)
        if ($i == "\"x_memcpy\"")
            column = i
}
$1 ~ /_median"$/ {
    name = $1
    gsub(/"/, "", name)
    sub(/\/manual_time_median$/, "", name)
    ratio[name] = $column
}
END {
    split("none quarter half quarter+half", turns, " ")
    split("400x256 480x272 800x480", sizes, " ")
    print "| panel | no turn | quarter | half | quarter+half |"
    print "|---|---|---|---|---|"
    for (s = 1; s <= 3; ++s)
        for (d = 16; d <= 32; d += 16) {
            panel = sizes[s] "/" d "bit"
            line = "| " panel " |"
            for (t = 1; t <= 4; ++t) {
                key = panel "/" turns[t]
                if (!(("redraw/" key) in ratio))
                    continue
                line = line sprintf(" %.2f× (%.1f×) |", ratio["redraw/" key], ratio["copy/" key])
            }
            print line
        }
}'
