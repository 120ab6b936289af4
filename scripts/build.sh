#!/usr/bin/env bash
# Configures and builds Kesrow (the game, the tools and the tests) into build/.
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$top/build" -j"$jobs"
