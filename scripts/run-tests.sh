#!/bin/sh
# Runs the test suite of a build folder (default build/): every test in a
# process of its own (ctest, in parallel), then the whole suite once in one
# process in a fixed shuffled order, so that no test may depend on what an
# earlier one left behind. A passing run prints the two summaries only; a
# failing one what the failing tests printed.
set -e
cd "$(dirname "$0")/.."
BUILD_DIR="${1:-${MORVEX_BUILD_DIR:-build}}"
# Tests run without a display; every test process makes its own settings
# folder, and what the tests start finds this one.
XDG_CONFIG_HOME="$(mktemp -d)"
LOG="$(mktemp)"
export XDG_CONFIG_HOME
export QT_QPA_PLATFORM=offscreen
trap 'rm -rf "$XDG_CONFIG_HOME" "$LOG"' EXIT
if ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" --timeout 600 >"$LOG" 2>&1; then
  grep -E "tests passed|Total Test time" "$LOG"
else
  grep -vE "^ *Start +[0-9]+: |Test +#[0-9]+: .* Passed +[0-9.]+ sec$" "$LOG"
  exit 1
fi
"$BUILD_DIR/morvex_tests" --gtest_shuffle --gtest_random_seed=20261207 --gtest_brief=1
