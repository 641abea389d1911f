#!/usr/bin/env bash
# Speed and memory of pumpwright-log on a big card: 100,000 generated records (three
# vehicles, trip distances and odometer series with top-ups). Prints the wall time and
# the processor time and the peak memory of the summary, each export format and the
# report, and fails when one takes a second of processor time or 100 MB or more. The wall
# time is shown too; on a machine shared with other builds it waits for the processor.
# Then the import: the RECORDS rows of a LubeLogger file into the sample log, and the
# same file again, where every row is found in the log (fails at 2 s of processor time);
# and a dry run of ten times as many rows into the sample log, whose peak memory must stay
# within three times the file's size.
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
measure() { # NAME ARGUMENTS...; the limits are 1 s and 100 MB unless seconds= and megabytes= say
    local name="$1"
    shift
    /usr/bin/time -f '%e %U %S %M' -o "$card/time" "$tool" "$@" >/dev/null 2>"$card/err" || {
        cat "$card/err" >&2
        status=1
    }
    read -r wall user system kilobytes <"$card/time"
    awk -v name="$name" -v wall="$wall" -v cpu="$user + $system" -v kb="$kilobytes" \
        -v s="${seconds:-1}" -v mb="${megabytes:-100}" 'BEGIN {
        split(cpu, t, " [+] "); cpu = t[1] + t[2]
        printf "%-20s %5.2f s processor %5.2f s wall %6.1f MB peak\n", name, cpu, wall, kb / 1024
        if (cpu >= s || kb >= mb * 1024) { printf "  too slow or too big: under %g s and %g MB expected\n", s, mb; exit 1 }
    }' || status=1
}
measure "summary" summary --card "$card"
measure "export csv" export --card "$card" --format csv -o "$card/out.csv"
measure "export lubelogger" export --card "$card" --format lubelogger --vehicle 1 -o "$card/out.lube"
measure "export fuelly" export --card "$card" --format fuelly -o "$card/out.fuelly"
measure "export fuelio" export --card "$card" --format fuelio --vehicle 2 -o "$card/out.fuelio"
measure "report" report --card "$card" -o "$card/report.html"

lubelogger() {
    # car 1 fills up every 2000 s from 1970 on (awk's times end in 2038): a million rows
    # end in 2033; no two rows of a day have the same fuel
    awk -v n="$1" 'BEGIN {
        srand(11); t = 0; odo = 1000
        print "Date,Odometer,FuelConsumed,Cost,FuelEconomy,IsFillToFull,MissedFuelUp,Notes"
        for (i = 0; i < n; i++) {
            t += 2000; odo += 1 + int(rand() * 9); f = 30 + (i % 2000) / 100
            printf "%s,%d,%.2f,%.2f,0,True,False,\n", strftime("%Y-%m-%d %H:%M", t, 1), odo, f, f * 1.7
        }
    }'
}
import_card="$card/import"
mkdir "$import_card"
bash scripts/sample-log.sh >"$import_card/consumption.txt"
printf 'P_DEFAULTODOMETERMODE.1: 1.0\n' >"$import_card/properties.txt"
lubelogger "$records" >"$card/rows.csv"
seconds=2 measure "import" import --card "$import_card" --format lubelogger --vehicle 1 "$card/rows.csv"
seconds=2 measure "import again" import --card "$import_card" --format lubelogger --vehicle 1 "$card/rows.csv"
rows=$((records * 10))
lubelogger "$rows" >"$card/big.csv"
bash scripts/sample-log.sh >"$import_card/consumption.txt" # the file is measured, not the log
bytes=$(stat -c %s "$card/big.csv")
echo "$rows rows to import, $((bytes / 1048576)) MB"
seconds=30 megabytes=$((3 * bytes / 1048576)) measure "import dry run" \
    import --card "$import_card" --format lubelogger --vehicle 1 --dry-run "$card/big.csv"
exit $status
