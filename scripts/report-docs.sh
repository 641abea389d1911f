#!/usr/bin/env bash
# Writes the report of the sample log shown in the README: docs/report/sample-report.html
# and a PNG of its first page, rendered with headless Chromium (installed from Debian's
# packages when missing; only this script needs it). Usage: scripts/report-docs.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh chromium
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target pumpwright-log >/dev/null

card="$(mktemp -d)"
trap 'rm -rf "$card"' EXIT
bash scripts/sample-log.sh >"$card/consumption.txt"
# car 1 holds 55 litres: the report shows the range of a full tank
printf 'P_CAR1FUELFULL: 55.0\n' >"$card/properties.txt"
mkdir -p docs/report
build/release/tools/log/pumpwright-log report --card "$card" -o docs/report/sample-report.html
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --force-device-scale-factor=1 \
    --window-size=1200,1400 --screenshot="$PWD/docs/report/sample-report.png" \
    "file://$PWD/docs/report/sample-report.html" 2>/dev/null
echo "docs/report/sample-report.html"
echo "docs/report/sample-report.png"
