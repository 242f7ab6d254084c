#!/bin/sh
# Builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer in a
# build folder of their own (build-asan/) and runs each test in a process of
# its own, as scripts/test.sh does, then a sample of the hostile inputs with
# the sanitized program. Any report of either (a bad memory access, a leak,
# undefined behaviour) ends the test that caused it, so the run fails.
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh
BUILD_DIR="${MORVEX_SANITIZE_BUILD_DIR:-build-asan}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" \
    -DMORVEX_SANITIZE=ON -DMORVEX_BUILD_BENCH=OFF
fi
cmake --build "$BUILD_DIR" --target morvex_tests "$@"
# An allocation that cannot be had returns null, as the system's allocator
# does (the arrays test asks for one on purpose and expects the failure box).
# The font library Qt draws text with keeps its caches to the end: not ours.
# The leak checker's walk over the thread-local blocks of libraries loaded at
# run time can read this glibc's block list wrongly (the PDF printing test) and
# crash its own tracer, after the test has passed; not following those blocks
# (intercept_tls_get_addr=0) keeps it from the walk.
ASAN_OPTIONS="allocator_may_return_null=1:detect_leaks=1:abort_on_error=0:intercept_tls_get_addr=0"
LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0"
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
# Each test in a process of its own; the one-process shuffled run, which
# looks for tests that lean on an earlier one, has run in the release stage.
MORVEX_ONE_PROCESS_RUN=0 scripts/run-tests.sh "$BUILD_DIR"
# A seeded sample of the hostile inputs of the unattended run, run with the
# sanitized program (built with the tests, which start it): each must end, end
# with 0 only with a result, leave its data folder as it was and make the
# sanitizers say nothing (docs/app.md, "Hostile inputs").
python3 tests/hostile/hostile_run.py --morvex "$BUILD_DIR/morvex" --sample 16 --scans 10 --limit 90 --jobs 2 \
  --threads 1 --quiet
