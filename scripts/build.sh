#!/usr/bin/env bash
# Configures and builds Kesrow into build/: everything (the game, the tools, the benchmarks and
# the tests), or only the targets named after --target (scripts/play.sh builds the game alone).
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc 2>/dev/null || echo 2)"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" -j"$jobs" "$@"
