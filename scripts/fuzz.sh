#!/usr/bin/env bash
# Builds the fuzz harnesses (clang, AddressSanitizer, UndefinedBehaviorSanitizer) into
# build-fuzz/ and runs each on its seed corpus (fuzz/corpus/NAME) with its dictionary
# (fuzz/dict/NAME.dict). New inputs go to build-fuzz/corpus/NAME, crashes to build-fuzz/findings/.
#   scripts/fuzz.sh                     every harness, 1800 s each (the long run)
#   scripts/fuzz.sh -runs=20000 png     given libFuzzer options, given harnesses only
# Options start with '-' and go to libFuzzer; other words name harnesses (png, model, ...).
# Exit status 1 when a harness found a fault.
set -eu
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${KESROW_FUZZ_BUILD:-$top/build-fuzz}"
opts=()
names=()
for a in "$@"; do
  case "$a" in -*) opts+=("$a") ;; *) names+=("$a") ;; esac
done
[ ${#opts[@]} -eq 0 ] && opts=(-max_total_time=1800)
# Inputs up to 8 KB: the demo model seed is larger, but its sections repeat, and long inputs
# only slow each execution down.
case " ${opts[*]} " in *" -max_len="*) ;; *) opts+=(-max_len=8192) ;; esac
if [ ${#names[@]} -eq 0 ]; then
  for f in "$top"/fuzz/fuzz_*.cpp; do names+=("$(basename "$f" .cpp | sed 's/^fuzz_//')"); done
fi
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DKESROW_FUZZ=ON >/dev/null
targets=()
for n in "${names[@]}"; do targets+=("fuzz_$n"); done
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}" >/dev/null
mkdir -p "$build/findings"
export ALSOFT_DRIVERS=null SDL_VIDEODRIVER=offscreen
export ASAN_OPTIONS="detect_leaks=1"
export LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=0
for n in "${names[@]}"; do
  mkdir -p "$build/corpus/$n"
  log="$build/findings/$n.log"
  start=$(date +%s)
  if "$build/fuzz_$n" "${opts[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -dict="$top/fuzz/dict/$n.dict" -artifact_prefix="$build/findings/$n-" \
      "$build/corpus/$n" "$top/fuzz/corpus/$n" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    failed=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  echo "fuzz $n: $result, $runs executions in $(( $(date +%s) - start )) s (log: $log)"
  [ "$result" = ok ] || grep -m5 -E 'ERROR|runtime error|SUMMARY|Test unit written' "$log" || true
done
exit $failed
