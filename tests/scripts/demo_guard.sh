#!/usr/bin/env bash
# scripts/demo.sh must never touch a folder it did not make: a non-empty folder without
# its marker, or a path that is a file, ends it with status 2 before it writes anything.
set -euo pipefail
demo="$(dirname "$0")/../../scripts/demo.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

mkdir "$scratch/mine"
echo "keep me" >"$scratch/mine/notes.txt"
mkdir "$scratch/mine/root"
touch "$scratch/afile"
for target in "$scratch/mine" "$scratch/afile"; do
    status=0
    bash "$demo" "$target" >/dev/null 2>"$scratch/said" || status=$?
    if [ "$status" -ne 2 ]; then
        echo "demo.sh on $target: status $status, expected 2" >&2
        exit 1
    fi
    grep -q "^demo: $target " "$scratch/said" || {
        echo "demo.sh on $target said: $(cat "$scratch/said")" >&2
        exit 1
    }
done
[ "$(cat "$scratch/mine/notes.txt")" = "keep me" ] && [ -d "$scratch/mine/root" ] &&
    [ "$(ls -A "$scratch/mine")" = "$(printf 'notes.txt\nroot')" ] || {
    echo "demo.sh changed the folder it refused: $(ls -A "$scratch/mine")" >&2
    exit 1
}
