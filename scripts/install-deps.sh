#!/usr/bin/env bash
# Installs the Debian packages Kesrow builds, runs and tests with; skips what is present.
# Run as root (or with sudo available) on Debian 12.
set -eu
pkgs="build-essential cmake pkg-config libsdl2-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri \
libpng-dev zlib1g-dev libopenal-dev libsndfile1-dev libgtest-dev xvfb xauth xdotool \
clang libclang-rt-14-dev python3"
missing=""
for p in $pkgs; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing="$missing $p"
  fi
done
if [ -z "$missing" ]; then
  echo "install-deps: all packages present"
  exit 0
fi
sudo=""
if [ "$(id -u)" != "0" ]; then sudo="sudo"; fi
echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends $missing
