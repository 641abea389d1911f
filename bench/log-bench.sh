#!/usr/bin/env bash
# Speed and memory of pumpwright-log on a big card: 100,000 generated records (three
# vehicles, trip distances and odometer series with top-ups). Prints the wall time and
# the processor time and the peak memory of the summary, each export format and the
# report, and fails when one takes a second of processor time or 100 MB or more. The wall
# time is shown too; on a machine shared with other builds it waits for the processor.
# Usage: bench/log-bench.sh [RECORDS]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh time
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target pumpwright-log >/dev/null
tool=build/release/tools/log/pumpwright-log

records="${1:-100000}"
card="$(mktemp -d)"
trap 'rm -rf "$card"' EXIT
awk -v n="$records" 'BEGIN {
    srand(7); t = 1262304000; odo[1] = 10000; odo[2] = 50000
    for (i = 0; i < n; i++) {
        # three vehicles refilling every few hours: 100,000 records cover about 25 years
        v = i % 3; t += 3600 * (1 + int(rand() * 3))
        d = 200 + int(rand() * 400); f = d * (5 + rand() * 3) / 100; p = f * (1.5 + rand() * 0.4)
        stamp = strftime("%a %b %e %H:%M:%S %Y", t, 1)
        if (v == 0) {
            printf "0\t%.2f\t%.2f\t0.0\t%.2f\t%.2f\t%s\n", d, f, p, f / d * 100, stamp
        } else if (rand() < 0.1) {
            printf "%d\t0.0\t%.2f\t0.00\t%.2f\t0.00\t%s\n", v, f / 3, p / 3, stamp
        } else {
            odo[v] += d
            printf "%d\t0.0\t%.2f\t%.2f\t%.2f\t0.00\t%s\n", v, f, odo[v], p, stamp
        }
    }
}' >"$card/consumption.txt"
printf 'P_DEFAULTODOMETERMODE.1: 1.0\nP_DEFAULTODOMETERMODE.2: 1.0\nP_CAR1FUELFULL: 55.0\n' \
    >"$card/properties.txt"
echo "$(grep -c '' "$card/consumption.txt") records, $(du -h "$card/consumption.txt" | cut -f1)"

status=0
measure() {
    local name="$1"
    shift
    /usr/bin/time -f '%e %U %S %M' -o "$card/time" "$tool" "$@" >/dev/null 2>"$card/err" || {
        cat "$card/err" >&2
        status=1
    }
    read -r wall user system kilobytes <"$card/time"
    awk -v name="$name" -v wall="$wall" -v cpu="$user + $system" -v kb="$kilobytes" 'BEGIN {
        split(cpu, t, " [+] "); cpu = t[1] + t[2]
        printf "%-20s %5.2f s processor %5.2f s wall %6.1f MB peak\n", name, cpu, wall, kb / 1024
        if (cpu >= 1 || kb >= 102400) { print "  too slow or too big: under 1 s and 100 MB expected"; exit 1 }
    }' || status=1
}
measure "summary" summary --card "$card"
measure "export csv" export --card "$card" --format csv -o "$card/out.csv"
measure "export lubelogger" export --card "$card" --format lubelogger --vehicle 1 -o "$card/out.lube"
measure "export fuelly" export --card "$card" --format fuelly -o "$card/out.fuelly"
measure "export fuelio" export --card "$card" --format fuelio --vehicle 2 -o "$card/out.fuelio"
measure "report" report --card "$card" -o "$card/report.html"
exit $status
