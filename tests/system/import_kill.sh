#!/usr/bin/env bash
# A big import killed at random instants: pumpwright-log imports 20,000 LubeLogger rows
# into the sample log and is killed (SIGKILL, SIGINT, SIGTERM in turn) at random instants,
# not only at system calls: half of the kills anywhere in the time a whole import takes,
# half within 5 ms of the backup's appearing, while the log is written. After each kill the
# log holds its old bytes or the old bytes and every new row, and a backup, when there is
# one, holds the old log. Then an unreadable properties.txt (one EIO injected into its
# read) and a read-only card: both refuse the import with the reason and leave the log.
# Usage: import_kill.sh PUMPWRIGHT-LOG
set -euo pipefail
tool=$1
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
work=$(mktemp -d /tmp/pumpwright-import-kill-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

mkdir "$work/card"
bash "$(dirname "$0")/../../scripts/sample-log.sh" >"$work/card/consumption.txt"
printf 'P_DEFAULTODOMETERMODE.1: 1.0\n' >"$work/card/properties.txt"
awk 'BEGIN {
    srand(5); t = 0; odo = 1000
    print "Date,Odometer,FuelConsumed,Cost,FuelEconomy,IsFillToFull,MissedFuelUp,Notes"
    for (i = 0; i < 20000; i++) {
        t += 2000; odo += 1 + int(rand() * 9); f = 30 + (i % 2000) / 100
        printf "%s,%d,%.2f,%.2f,0,True,False,\n", strftime("%Y-%m-%d %H:%M", t, 1), odo, f, f * 1.7
    }
}' >"$work/rows.csv"
import=(import --format lubelogger --vehicle 1 "$work/rows.csv" --card)

# The whole import once: the log it leaves and the time it takes.
cp -a "$work/card" "$work/whole"
start=$(date +%s%N)
"$tool" "${import[@]}" "$work/whole" 2>/dev/null
took=$((($(date +%s%N) - start) / 1000)) # microseconds
cmp -s "$work/whole/consumption.txt" "$work/card/consumption.txt" && fail "the import appended nothing"

signals=(KILL INT TERM)
kills=10 whole=0 untouched=0
for ((i = 0; i < kills; i++)); do
    rm -rf "$work/run"
    cp -a "$work/card" "$work/run"
    log="$work/run/consumption.txt"
    "$tool" "${import[@]}" "$work/run" 2>/dev/null &
    pid=$!
    if ((i % 2 == 0)); then
        # an instant anywhere in the run, a little past its end included
        delay=$(awk -v us="$took" -v r="$RANDOM" 'BEGIN { printf "%.6f s", us * 1.1 * r / 32767 / 1e6 }')
        sleep "${delay% s}"
    else
        # the log is written right after the backup: a spin of a random length, a few
        # milliseconds at most, after it appears
        while [ ! -e "$log.bak" ] && kill -0 "$pid" 2>/dev/null; do :; done
        spin=$((RANDOM % 300))
        for ((n = 0; n < spin; n++)); do :; done
        delay="$spin spins past the backup"
    fi
    kill -s "${signals[i % 3]}" "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if cmp -s "$log" "$work/card/consumption.txt"; then
        untouched=$((untouched + 1))
    elif cmp -s "$log" "$work/whole/consumption.txt"; then
        whole=$((whole + 1))
    else
        fail "SIG${signals[i % 3]} after ${delay}: the log is neither the old one nor the old one with every row ($(wc -c <"$log") bytes)"
    fi
    if [ -e "$log.bak" ] && ! cmp -s "$log.bak" "$work/card/consumption.txt"; then
        fail "SIG${signals[i % 3]} after ${delay}: the backup is not the old log"
    fi
done
echo "$kills kills in an import of $((took / 1000)) ms: $untouched left the old log, $whole the whole new one"

# One read error in properties.txt: the odometer modes are unknown, nothing is imported.
rm -rf "$work/run"
cp -a "$work/card" "$work/run"
status=0
strace -f -qq -o /dev/null -P "$work/run/properties.txt" -e inject=read:error=EIO:when=1 \
    "$tool" "${import[@]}" "$work/run" 2>"$work/said" || status=$?
[ "$status" = 1 ] || fail "an unreadable properties.txt: exit $status, not 1"
grep -q 'properties.txt cannot be read (Input/output error)' "$work/said" ||
    fail "an unreadable properties.txt: not said ($(head -c 300 "$work/said"))"
cmp -s "$work/run/consumption.txt" "$work/card/consumption.txt" ||
    fail "an unreadable properties.txt: the log changed"

# A read-only card: said in the user's terms, the log untouched.
status=0
strace -f -qq -o /dev/null -e inject=openat:error=EROFS -P "$work/run/consumption.txt.bak.tmp" \
    "$tool" "${import[@]}" "$work/run" 2>"$work/said" || status=$?
[ "$status" = 1 ] || fail "a read-only card: exit $status, not 1"
grep -q 'cannot write .*consumption.txt.bak: Read-only file system (the card is read-only' \
    "$work/said" || fail "a read-only card: not said ($(head -c 300 "$work/said"))"
cmp -s "$work/run/consumption.txt" "$work/card/consumption.txt" || fail "a read-only card: the log changed"

[ "$failures" = 0 ] || exit 1
echo "import kills: the log was whole after every kill"
