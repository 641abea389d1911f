#!/usr/bin/env bash
# A full card: the data folder on a small tmpfs filled up, with only N bytes left in the
# last page of consumption.txt. SAVE must leave no part of its record, WHEELCHANGE no
# events.txt, and EXIT the old settings (and not end at the first press); once there is
# room again, SAVE appends one whole record. Needs a mount namespace (root, or a user
# namespace); exits 77 (skipped) where neither is allowed.
# Usage: full_card.sh SIM CARD
set -euo pipefail
sim=$1 card=$2
if [ "${PW_IN_NAMESPACE:-}" != 1 ]; then
    for unshare in "unshare -m" "unshare -rm"; do
        if $unshare true 2>/dev/null; then
            PW_IN_NAMESPACE=1 exec $unshare bash "$0" "$@"
        fi
    done
    echo "skipped: no mount namespace" >&2
    exit 77
fi

work=$(mktemp -d /tmp/pumpwright-full-card-XXXXXX)
trap 'umount "$work/card/$data" 2>/dev/null || true; rm -rf "$work"' EXIT
data=mnt/sdcard/Pumpwright
"$card" "$work/card" >/dev/null
cp -a "$work/card/$data" "$work/files"
if ! mount -t tmpfs -o size=4m tmpfs "$work/card/$data" 2>/dev/null; then
    echo "skipped: tmpfs cannot be mounted" >&2
    exit 77
fi
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
tap() { printf 'ltap %s %s\n' "$1" "$2"; }
{
    echo pass
    tap 395 253                                          # the banner gives way
    tap 43 80; tap 43 130; tap 121 80; tap 276 30        # 142 DRIVEN
    tap 43 130; tap 121 225; tap 276 80                  # 40 REFILLED
    tap 121 130; tap 121 130; tap 276 130                # 55 PAID
    tap 276 177                                          # SAVE
    tap 353 225                                          # CONFIG
    tap 121 130; tap 121 130; tap 353 80                 # 55 CAR1FUELFULL
    tap 43 80; tap 121 80; tap 276 225                   # 12 WHEELCHANGE
    tap 353 30                                           # BACK
    tap 353 30                                           # EXIT: not saved, stays
    tap 353 30                                           # EXIT again: ends
} >"$work/script.txt"

# (the record itself is 56 bytes)
for left in 3 6 21 50; do
    rm -rf "${work:?}/card/$data/"*
    cp -a "$work/files/." "$work/card/$data/"
    # consumption.txt ends `left` bytes before the end of its last page
    log=$work/card/$data/consumption.txt
    printf '# refills\n1\t300.00\t20.00\t0.0\t30.00\t6.67\tMon Mar  2 10:12:44 2026\n' >"$log"
    printf '#%*s\n' $((4096 * 2 - $(stat -c %s "$log") - 2 - left)) '' >>"$log"
    [ $(($(stat -c %s "$work/card/$data/consumption.txt") % 4096)) -eq $((4096 - left)) ] ||
        fail "consumption.txt has not $left bytes left in its page"
    printf 'P_CAR1FUELFULL: 40\n' >"$work/card/$data/properties.txt"
    cp "$work/card/$data/consumption.txt" "$work/old-log"
    dd if=/dev/zero of="$work/card/$data/filler" bs=4096 2>/dev/null || true

    status=0
    "$sim" --root "$work/card" --script "$work/script.txt" || status=$?
    [ $status -eq 0 ] || fail "$left bytes left: the simulator ended with $status"
    cmp -s "$work/card/$data/consumption.txt" "$work/old-log" ||
        fail "$left bytes left: consumption.txt changed: $(tail -c 80 "$work/card/$data/consumption.txt" | od -c | tail -3)"
    [ ! -e "$work/card/$data/events.txt" ] || fail "$left bytes left: events.txt left behind"
    [ "$(cat "$work/card/$data/properties.txt")" = "P_CAR1FUELFULL: 40" ] ||
        fail "$left bytes left: properties.txt changed"

    # Room again: the next SAVE appends one whole record.
    rm "$work/card/$data/filler"
    "$sim" --root "$work/card" --script <(head -13 "$work/script.txt") || fail "second run failed"
    n=$(stat -c %s "$work/old-log")
    added=$(tail -c +$((n + 1)) "$work/card/$data/consumption.txt")
    [[ "$added" == 1$'\t'142.00$'\t'40.00$'\t'0.0$'\t'55.00$'\t'28.17$'\t'* ]] &&
        [ "$(printf '%s\n' "$added" | wc -l)" -eq 1 ] ||
        fail "$left bytes left: the record after the full card is not whole: $added"
done
[ $failures -eq 0 ] || exit 1
echo "ok: a full card keeps no part of a record and the old settings"
