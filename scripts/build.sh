#!/bin/sh
# Configures (once) and builds Morvex in build/ (Release, -O2). Rebuilds only what changed.
set -e
cd "$(dirname "$0")/.."
BUILD_DIR="${MORVEX_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD_DIR" "$@"
