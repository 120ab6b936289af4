#!/usr/bin/env bash
# The sanitizer pass of CI: builds the engine, the tests and the fuzz harnesses with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer into build-san/ (leaks and undefined behaviour
# are fatal), runs every test headless there, then runs each fuzz harness for a fixed number of
# executions on its seed corpus (scripts/fuzz.sh -runs=N, default N below).
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$top/build-san"
runs="${KESROW_FUZZ_RUNS:-2000}"
jobs="$(nproc 2>/dev/null || echo 2)"
# -O1 with line tables only: a sanitizer build that compiles fast and still names file and line.
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" -DKESROW_FUZZ=ON >/dev/null
cmake --build "$build" -j"$jobs"
export ALSOFT_DRIVERS=null LIBGL_ALWAYS_SOFTWARE=1
# Leaks: the test programs that open no window of their own (test_core, test_resources,
# test_script, test_model, test_world, test_platform) run with LeakSanitizer on: CMakeLists.txt
# gives their tests ASAN_OPTIONS with detect_leaks=1, and the suppressions below name system
# libraries only. The windowed programs they start (the game, the model viewer) run with leak
# checking off (WindowedCommand in tests/test_util.h). test_app stays off: its tests open windows
# and start the game, and a program that opens a window leaves allocations of system GL
# libraries that SDL has unloaded again at exit, which no suppression can name. The fuzz runs
# and the soak check leaks too.
export ASAN_OPTIONS="detect_leaks=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$build" && xvfb-run -a -s "-screen 0 1280x720x24" ctest --output-on-failure -j2 "$@")
KESROW_FUZZ_BUILD="$build" bash "$top/scripts/fuzz.sh" -runs="$runs"
