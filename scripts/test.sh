#!/usr/bin/env bash
# Builds Kesrow and runs every test headless: an X server from Xvfb, Mesa's software OpenGL,
# and OpenAL Soft's null output where a test wants a real but silent sound device.
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
bash "$top/scripts/install-deps.sh"
bash "$top/scripts/build.sh"
cd "$top/build"
export ALSOFT_DRIVERS=null LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1280x720x24" ctest --output-on-failure -j2 "$@"
