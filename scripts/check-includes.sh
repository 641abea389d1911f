#!/usr/bin/env bash
# The floors of the source: a folder includes only its own files and those of the floors
# below it, never one above or beside it. Fails on the first include that runs the
# wrong way; with --graph prints which folder includes which.
#
#   0 base/         nothing of the project
#   1 props/        base
#   1 display/      base
#   2 records/      base, props
#   3 stats/        base, props, display, records
#   4 app/          every device folder
#   5 calibrate/    device folders (the calibration tool, beside the logbook in app/)
#   5 testsupport/  device folders
#   6 tools/        device folders, calibrate, testsupport; each program in its own
#                   folder (sim/, card/, log/) includes only its own files and common/,
#                   and common/ includes no program's folder
#   7 bench/, tests/, fuzz/  anything below
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A floor=([base]=0 [props]=1 [display]=1 [records]=2 [stats]=3 [app]=4
                  [calibrate]=5 [testsupport]=5 [tools]=6 [bench]=7 [tests]=7 [fuzz]=7)

patterns=()
for folder in "${!floor[@]}"; do
    patterns+=("$folder/*.cpp" "$folder/*.h")
done

declare -A edges=()
bad=0
while IFS=: read -r file _ line; do
    from=${file%%/*}
    target=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' <<<"$line")
    to=${target%%/*}
    [ "$to" = "$target" ] && continue # a file of the same folder, or a generated header
    if [ "$from" = tools ] && [ "$to" = tools ]; then
        # The programs of tools/ stand side by side: none reaches into another's folder.
        from_tool=$(cut -d/ -f2 <<<"$file")
        to_tool=$(cut -d/ -f2 <<<"$target")
        if [ "$from_tool" != "$to_tool" ] && [ "$to_tool" != common ]; then
            echo "include reaches into another tool: $file includes $target" >&2
            bad=1
        fi
        [ "$from_tool" != "$to_tool" ] && edges["tools/$from_tool -> tools/$to_tool"]=1
        continue
    fi
    [ "$from" = "$to" ] && continue
    if [ -z "${floor[$to]+x}" ]; then
        continue # not a folder of the project (a system or library header)
    fi
    edges["$from -> $to"]=1
    if [ "${floor[$to]}" -ge "${floor[$from]}" ]; then
        echo "include runs upward or sideways: $file includes $target" >&2
        bad=1
    fi
done < <(git ls-files -co --exclude-standard -- "${patterns[@]}" |
    xargs grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"')

if [ "${1:-}" = --graph ]; then
    printf '%s\n' "${!edges[@]}" | sort
fi
[ "$bad" = 0 ] || exit 1
echo "includes: every folder includes only the floors below it"
