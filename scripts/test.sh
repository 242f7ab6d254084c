#!/bin/sh
# Builds Morvex and runs every test (installs what a fresh Debian 12 machine lacks).
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
BUILD_DIR="${MORVEX_BUILD_DIR:-build}"
# Tests run without a display and with a fresh per-user settings folder.
XDG_CONFIG_HOME="$(mktemp -d)"
export XDG_CONFIG_HOME
export QT_QPA_PLATFORM=offscreen
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" --timeout 600
# Once more in one process, in a shuffled but fixed order: no test may depend
# on what an earlier one left behind.
"$BUILD_DIR/morvex_tests" --gtest_shuffle --gtest_random_seed=20261207 --gtest_brief=1
