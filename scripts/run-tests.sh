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
  # The leak checker's own tracer now and then crashes while it stops the
  # threads of a process that has passed ("LeakSanitizer has encountered a
  # fatal error"): a fault of the tool, not of the test. Tests that failed
  # with that alone are run once more; any other failure fails the run.
  # (a disabled test is listed with "***Not Run (Disabled)": not a failure)
  FAILED="$(grep -v '\*\*\*Not Run (Disabled)' "$LOG" | sed -n 's/^ *[0-9]*\/[0-9]* Test *#[0-9]*: \([^ ]*\) .*\*\*\*.*/\1/p')"
  RETRY=""
  for t in $FAILED; do
    BLOCK="$(awk -v t="$t" '$0 ~ "Test +#[0-9]+: " t " " {on=1; next} on && /Test +#[0-9]+: / {on=0} on' "$LOG")"
    if printf '%s\n' "$BLOCK" | grep -q "LeakSanitizer has encountered a fatal error" &&
       printf '%s\n' "$BLOCK" | grep -q "^\[  PASSED  \]" &&
       ! printf '%s\n' "$BLOCK" | grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:|\[  FAILED  \]"; then
      RETRY="$RETRY $t"
    else
      exit 1
    fi
  done
  [ -n "$RETRY" ] || exit 1
  echo "Run once more after a crash of the leak checker itself:$RETRY"
  for t in $RETRY; do
    ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 600 -R "^$t\$" || exit 1
  done
fi
# The one-process run looks for tests that depend on what an earlier one
# left behind; MORVEX_ONE_PROCESS_RUN=0 leaves it out (the sanitizer stage,
# whose tests are those of the release stage, where it has run).
[ "${MORVEX_ONE_PROCESS_RUN:-1}" = 0 ] && exit 0
"$BUILD_DIR/morvex_tests" --gtest_shuffle --gtest_random_seed=20261207 --gtest_brief=1
