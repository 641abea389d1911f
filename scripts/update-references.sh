#!/usr/bin/env bash
# Rewrites the reference screens (tests/reference/*.png) from what the program draws now.
# Only for a change of the look made on purpose; see the README. Review the pictures
# (git diff shows which changed) before committing them.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target pumpwright_e2e_tests
PUMPWRIGHT_UPDATE_REFERENCES=1 build/release/tests/e2e/pumpwright_e2e_tests \
    --gtest_filter='*ReferenceScreens*:*CalibrationScreens*'
git status --short tests/reference
