#!/bin/sh
# Times the example job (examples/velocity/run.xml) with 1, 2 and all cores as
# workers for the Lamm solutions and the normal equations: the median of 5
# runs each, wall and CPU seconds, and the machine's load before and after.
# Runs on a copy of the scans; writes nothing into the source tree.
# Usage: scripts/time-example.sh [build folder]
set -e
cd "$(dirname "$0")/.."
B="${1:-${MORVEX_BUILD_DIR:-build}}"
T="$(mktemp -d)"
trap 'rm -rf "$T"' EXIT
export XDG_CONFIG_HOME="$T/cfg" QT_QPA_PLATFORM=offscreen
mkdir -p "$T/v" && cp examples/velocity/0*.RA1 "$T/v/"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
for n in 1 2 "$(nproc)"; do
  sed "s#<DataDirectory>.</DataDirectory>#<DataDirectory>$T/v</DataDirectory>#; s#../../build/example-results#$T/out#; s#</MorvexRun>#<LammThreads>$n</LammThreads><NEQThreads>$n</NEQThreads></MorvexRun>#" \
    examples/velocity/run.xml >"$T/run.xml"
  for k in 1 2 3 4 5; do
    /usr/bin/time -f "%e %U %S" -o "$T/t.$k" "$B/morvex" "$T/run.xml" >/dev/null 2>&1
  done
  echo "$n workers: wall $(cut -d' ' -f1 "$T"/t.* | sort -g | sed -n 3p) s, CPU $(awk '{print $2+$3}' "$T"/t.* | sort -g | sed -n 3p) s"
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
