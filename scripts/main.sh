#!/bin/sh
# Builds Morvex and runs its main job (installs what a fresh Debian 12 machine lacks): the
# unattended analysis of the example data set examples/velocity, whose results (ResultParameters.xml,
# screenshot.bmp, transcript.txt, distribution.dat, rmsd.txt, fits/, residuals/) land in
# build/example-results; it ends by printing what was found there. Arguments instead go to the
# program: a parameter file of your own, or --help.
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh --target morvex
BUILD_DIR="${MORVEX_BUILD_DIR:-build}"
if [ "$#" -gt 0 ]; then
  exec "$BUILD_DIR/morvex" "$@"
fi
echo "The main window opens with: $BUILD_DIR/morvex"
echo "The example run (examples/velocity/run.xml):"
# The run ends by printing the main figures of its result (the peaks' s and
# shares, the rmsd, f/f0, the meniscus) and where its results are.
"$BUILD_DIR/morvex" examples/velocity/run.xml
