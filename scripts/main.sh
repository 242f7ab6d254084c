#!/bin/sh
# Builds Morvex and runs its main job (installs what a fresh Debian 12 machine lacks): the
# unattended analysis of the example data set examples/velocity, whose results (ResultParameters.xml,
# screenshot.bmp, transcript.txt) land in build/example-results. Arguments instead go to the
# program: a parameter file of your own, or --help.
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh --target morvex
BUILD_DIR="${MORVEX_BUILD_DIR:-build}"
if [ "$#" -gt 0 ]; then
  exec "$BUILD_DIR/morvex" "$@"
fi
"$BUILD_DIR/morvex" examples/velocity/run.xml
echo "Results of the example run: build/example-results/ (ResultParameters.xml, screenshot.bmp, transcript.txt)"
echo "The main window opens with: $BUILD_DIR/morvex"
