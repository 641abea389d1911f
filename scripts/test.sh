#!/usr/bin/env bash
# The whole test command: packages, format check, optimised and sanitizer builds with their tests.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)

bash scripts/deps.sh
bash scripts/format-check.sh

for preset in release debug; do
    echo "== $preset build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j 2
    echo "== $preset tests"
    ctest --preset "$preset"
done

echo "test: all suites passed in $(( $(date +%s) - start )) s"
