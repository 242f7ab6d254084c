#!/bin/sh
# Builds Morvex and runs its main job (installs what a fresh Debian 12 machine lacks).
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh morvex
BUILD_DIR="${MORVEX_BUILD_DIR:-build}"
exec "$BUILD_DIR/morvex" "$@"
