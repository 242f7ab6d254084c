#!/bin/sh
# Builds Morvex and runs every test (installs what a fresh Debian 12 machine lacks).
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
scripts/run-tests.sh "${MORVEX_BUILD_DIR:-build}"
