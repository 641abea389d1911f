#!/usr/bin/env bash
# Writes a sample consumption.txt to stdout: a year of refills of car 1 and a summer of
# the motorcycle, as the program would have logged them. Car 1 starts with trip
# distances, keeps the odometer from June (with one refill where the reading was not
# typed, so its fuel is carried into the next one) and goes back to trip distances in
# November. Deterministic: the same file every time.
#
# Usage: scripts/sample-log.sh [YEAR]         the year YEAR (default 2025), January to December
#        scripts/sample-log.sh --ending DATE  the 365 days before DATE (YYYY-MM-DD), its last
#                                             refill a few days before DATE, so that a refill
#                                             typed on DATE continues it
set -euo pipefail

if [ "${1:-}" = "--ending" ]; then
    start=$(date -u -d "${2:?--ending wants a date, YYYY-MM-DD} -365 days" +%F)
else
    start="${1:-2025}-01-01"
fi

awk -v start="$start" '
# amounts are typed on the keypad with two decimals at most
function cents(v) { return int(v * 100 + 0.5) / 100 }
function rnd() { seed = (seed * 16807) % 2147483647; return seed / 2147483647 }
function stamp(day, minute,   cmd, text) {
    cmd = sprintf("date -u -d \"%s +%d days %02d:%02d:%02d\" \"+%%a %%b %%e %%H:%%M:%%S %%Y\"",
                  start, day, 7 + int(minute / 60) % 14, minute % 60, int(rnd() * 60))
    cmd | getline text
    close(cmd)
    return text
}
# price per litre drifts over the year: dearer in summer
function perLitre(day) { return 1.68 + 0.10 * sin((day - 100) / 58.0) + 0.06 * (rnd() - 0.5) }
function record(vehicle, distance, fuel, odometer, price, consumption, day) {
    printf "%d\t%s\t%.2f\t%s\t%.2f\t%.2f\t%s\n", vehicle, distance, fuel, odometer, price,
           consumption, stamp(day, int(rnd() * 840))
}
BEGIN {
    seed = 20250101
    print "# This file contains the consumption-values you entered."
    print "#"
    print "# Format is: (\"[]\" means \"optional\")"
    print "#  vehicle \\t [distance] \\t fuel \\t [odometer] \\t price"
    print "#    (and optional:) \\t [consumption] \\t [utc-time] \\n"
    print "#"
    print "#   \"vehicle\" ist the actually chosen vehicle, \"0\" is \"motorcycle\", \"1\" is \"car 1\" and \"2\" is \"car 2\""
    print "#"

    odometer = 41870; day = 3; bike = 0; bikeDay = 128
    while (day < 362) {
        # the motorcycle comes out from May to September, every two or three weeks
        while (bikeDay < day && bikeDay < 270) {
            d = 170 + int(rnd() * 90); f = cents(d * (4.3 + rnd() * 1.1) / 100)
            record(0, sprintf("%.2f", d), f, "0.0", cents(f * perLitre(bikeDay)), f / d * 100, bikeDay)
            bikeDay += 14 + int(rnd() * 9)
        }
        d = 340 + int(rnd() * 280)
        # motorway trips in summer, town in winter
        l = 6.1 + 0.9 * rnd() + (day < 80 || day > 320 ? 0.7 : 0)
        f = cents(d * l / 100)
        odometer += d
        price = cents(f * perLitre(day))
        if (day < 152 || day > 305) {
            record(1, sprintf("%.2f", d), f, "0.0", price, f / d * 100, day)
        } else if (!carried && day > 215) {
            # a top-up paid in cash, odometer not typed: its fuel goes into the next refill
            carried = 1
            top = cents(f * 0.4)
            record(1, "0.0", top, "0.00", cents(top * perLitre(day)), 0, day)
            day += 5
            record(1, "0.0", f - top, sprintf("%.2f", odometer), cents((f - top) * perLitre(day)), 0, day)
        } else {
            record(1, "0.0", f, sprintf("%.2f", odometer), price, 0, day)
        }
        day += 8 + int(rnd() * 8)
    }
}'
