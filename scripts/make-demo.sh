#!/usr/bin/env bash
# Rebuilds every model, texture, pose file, animation frame, sound, level data file and the font
# picture of the demo from the content tools. The scripts (demo/Data, each level's "load script"
# and Scripts) are written by hand and left alone.
# Usage: scripts/make-demo.sh [DATA_FOLDER] (default demo).
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$top/demo}"
build="${KESROW_BUILD:-$top/build}"
if [ ! -x "$build/make_demo_level" ] || [ ! -x "$build/make_font" ]; then
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j2 --target make_humanoid make_props make_demo_level make_sounds make_font
fi
# The precache list is made anew, in the order the tools add to it.
rm -f "$out/cache"
"$build/make_humanoid" --out "$out"
"$build/make_humanoid" --out "$out" --name guard --shirt 150,40,35
"$build/make_props" --out "$out"
"$build/make_demo_level" --out "$out"
"$build/make_sounds" --out "$out"
"$build/make_font" --out "$out"
