#!/usr/bin/env bash
# Prints, per panel and depth, the whole-screen copies against a memcpy of the same bytes
# in the same run: the full redraw from a kept background and, in brackets, the direct
# copy, for every turn. Medians of repetitions, so that a busy machine disturbs them less.
#   bench/ratios.sh [BENCH] [REPETITIONS] [MIN_TIME]
# Defaults: the release build's pumpwright-bench, 7 repetitions of at least 0.05 s each.
set -euo pipefail
bench="${1:-$(dirname "$0")/../build/release/bench/pumpwright-bench}"
repetitions="${2:-7}"
min_time="${3:-0.05}"

"$bench" --benchmark_filter='^(memcpy|redraw|copy)/' --benchmark_repetitions="$repetitions" \
    --benchmark_min_time="$min_time" \
    --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
    awk -F, '
$1 ~ /_median"$/ {
    name = $1
    gsub(/"/, "", name)
    sub(/_median$/, "", name)
    time[name] = $3
}
END {
    split("none quarter half quarter+half", turns, " ")
    print "| panel | memcpy | no turn | quarter | half | quarter+half |"
    print "|---|---|---|---|---|---|"
    split("400x256 480x272 800x480", sizes, " ")
    for (s = 1; s <= 3; ++s)
        for (d = 16; d <= 32; d += 16) {
            panel = sizes[s] "/" d "bit"
            base = time["memcpy/" panel]
            if (base == "")
                continue
            line = sprintf("| %s | %.1f µs |", panel, base / 1000)
            for (t = 1; t <= 4; ++t) {
                key = panel "/" turns[t]
                line = line sprintf(" %.2f× (%.1f×) |", time["redraw/" key] / base,
                                    time["copy/" key] / base)
            }
            print line
        }
}'
