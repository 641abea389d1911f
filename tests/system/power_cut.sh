#!/usr/bin/env bash
# Power cuts in SAVE, WHEELCHANGE and EXIT: the simulator runs a refill, a tire change, a
# tank size and EXIT, and is killed at every file-related system call those make (strace
# fault injection), one kill per run. After each kill the logs hold their old lines and
# at most one new, whole record, and each property file is the old one or the whole new
# one. Then read errors: one EIO on the first read of properties.txt (not written over
# at EXIT, logged) and of consumption.txt (the statistics carry on, logged).
# Usage: power_cut.sh SIM CARD
set -euo pipefail
sim=$1 card=$2
# A sanitizer build's leak check cannot run under ptrace and would fail every traced run.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
work=$(mktemp -d /tmp/pumpwright-power-cut-XXXXXX)
trap 'rm -rf "$work"' EXIT
data=mnt/sdcard/Pumpwright
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A card with a history: two refills, a tire change and the user's settings.
"$card" "$work/card" >/dev/null
printf '# refills\n1\t300.00\t20.00\t0.0\t30.00\t6.67\tMon Mar  2 10:12:44 2026\n' \
    >"$work/card/$data/consumption.txt"
printf '# events\n1\ttirechange\t30000\tMon Mar  2 10:12:44 2026\n' >"$work/card/$data/events.txt"
printf 'P_CAR1FUELFULL: 40\nP_DEFAULTVEHICLE: 1\n' >"$work/card/$data/properties.txt"

tap() { printf 'ltap %s %s\n' "$1" "$2"; }
# Layout centres of the default keys and buttons.
{
    echo pass
    tap 395 253                                          # the banner gives way
    tap 43 80; tap 43 130; tap 121 80; tap 276 30        # 142 DRIVEN
    tap 43 130; tap 121 225; tap 276 80                  # 40 REFILLED
    tap 121 130; tap 121 130; tap 276 130                # 55 PAID
} >"$work/before.txt"
{
    cat "$work/before.txt"
    tap 276 177                                          # SAVE
    tap 353 225                                          # CONFIG
    tap 121 130; tap 121 130; tap 353 80                 # 55 CAR1FUELFULL
    tap 43 80; tap 121 80; tap 276 225                   # 12 WHEELCHANGE
    tap 353 30                                           # BACK
    tap 353 30                                           # EXIT
} >"$work/script.txt"

run() { # DIR SCRIPT [strace options...]: runs the simulator on a copy of the card
    local dir=$1 script=$2
    shift 2
    rm -rf "$dir"
    cp -a "$work/card" "$dir"
    if [ $# -gt 0 ]; then
        (strace -f -qq -o /dev/null "$@" "$sim" --root "$dir" --script "$script" >/dev/null 2>&1) \
            2>/dev/null || true
    else
        "$sim" --root "$dir" --script "$script"
    fi
}

# The uninterrupted run gives the new files.
run "$work/done" "$work/script.txt"
for f in consumption.txt events.txt properties.txt environment.txt; do
    cp "$work/done/$data/$f" "$work/new-$f"
    cp "$work/card/$data/$f" "$work/old-$f" 2>/dev/null || : >"$work/old-$f"
done
[ "$(wc -l <"$work/new-consumption.txt")" -eq 3 ] || fail "the refill was not saved"
[ "$(wc -l <"$work/new-events.txt")" -eq 3 ] || fail "the tire change was not saved"
grep -q '^P_CAR1FUELFULL: 55.0$' "$work/new-properties.txt" || fail "the tank size was not saved"

# A log holds its old text, then at most the one new record, whole (its time stamp is
# the only part that differs from run to run).
stamp='[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}'
tab=$'\t'
check_log() { # NAME DIR KILL PATTERN
    local old=$work/old-$1 now=$2/$data/$1
    local n added
    n=$(stat -c %s "$old")
    if ! cmp -s -n "$n" "$old" "$now"; then
        fail "$1: old lines changed (kill $3)"
        return
    fi
    [ "$(stat -c %s "$now")" -eq "$n" ] && return
    added=$(tail -c +$((n + 1)) "$now"; echo .)
    [[ "$added" =~ ^$4$'\n'\.$ ]] || fail "$1: torn record (kill $3): ${added%.}"
}
check_properties() { # NAME DIR
    local now=$2/$data/$1
    if [ -s "$work/old-$1" ] || [ -e "$now" ]; then
        cmp -s "$now" "$work/old-$1" || cmp -s "$now" "$work/new-$1" ||
            fail "$1: neither the old nor the new file (kill $3)"
    fi
}

# Calls made before SAVE are left alone: counted in a run that stops there.
calls="openat,write,fsync,close,rename,ftruncate,unlink,read,lseek,fstat,newfstatat"
kills=0
for call in ${calls//,/ }; do
    before=$(strace -f -qq -e trace="$call" -o "$work/trace" \
        "$sim" --root "$(cp -a "$work/card" "$work/count" && echo "$work/count")" \
        --script "$work/before.txt" >/dev/null 2>&1; wc -l <"$work/trace")
    rm -rf "$work/count"
    strace -f -qq -e trace="$call" -o "$work/trace" "$sim" --root "$(cp -a "$work/card" "$work/count" && echo "$work/count")" \
        --script "$work/script.txt" >/dev/null 2>&1
    total=$(wc -l <"$work/trace")
    rm -rf "$work/count"
    for ((n = before + 1; n <= total; n++)); do
        run "$work/cut" "$work/script.txt" -e trace="$call" -e inject="$call":signal=KILL:when=$n \
            2>/dev/null
        check_log consumption.txt "$work/cut" "$call #$n" \
            "1${tab}142\.00${tab}40\.00${tab}0\.0${tab}55\.00${tab}28\.17${tab}$stamp"
        check_log events.txt "$work/cut" "$call #$n" "1${tab}tirechange${tab}12${tab}$stamp"
        for f in properties.txt environment.txt; do check_properties $f "$work/cut" "$call #$n"; done
        kills=$((kills + 1))
    done
done
echo "power cut: $kills kills in SAVE, WHEELCHANGE and EXIT"
[ "$kills" -ge 20 ] || fail "only $kills calls found to kill"

# One read error on properties.txt: EXIT twice keeps the file, and the error is logged.
{
    echo pass
    tap 353 30
    tap 353 30
} >"$work/exit.txt"
run "$work/eio" "$work/exit.txt" -P "$work/eio/$data/properties.txt" -e inject=read:error=EIO:when=1
cmp -s "$work/eio/$data/properties.txt" "$work/old-properties.txt" ||
    fail "properties.txt written over after a read error"
grep -q '^### Error reading properties.txt$' "$work/eio/$data/Debug.log" ||
    fail "the read error of properties.txt is not logged"

# One read error on consumption.txt while the statistics draw: logged, and the program
# goes on to EXIT normally.
{
    echo pass
    tap 276 225                                          # STATS
    tap 200 120                                          # the next view
    tap 200 120
    tap 353 30                                           # EXIT
} >"$work/stats.txt"
rm -rf "$work/eio"
cp -a "$work/card" "$work/eio"
status=0
strace -f -qq -o /dev/null -P "$work/eio/$data/consumption.txt" -e inject=read:error=EIO:when=1 \
    "$sim" --root "$work/eio" --script "$work/stats.txt" >/dev/null 2>&1 || status=$?
[ $status -eq 0 ] || fail "a read error of consumption.txt ended the program with $status"
grep -q '^### Error reading consumption.txt$' "$work/eio/$data/Debug.log" ||
    fail "the read error of consumption.txt is not logged"

[ $failures -eq 0 ] || exit 1
echo "ok: nothing torn or lost"
