#!/bin/sh
# Installs what a fresh Debian 12 machine lacks to build and test Morvex.
# As root it installs with apt-get; otherwise it prints the apt-get line and fails.
PACKAGES="cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev qt6-svg-dev libasound2-dev ccache fonts-dejavu-core locales-all python3"
missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = "0" ]; then
  echo "installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends $missing
else
  echo "Missing packages. Run as root:"
  echo "  sudo apt-get install -y$missing"
  exit 1
fi
