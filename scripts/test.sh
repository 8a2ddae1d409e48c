#!/usr/bin/env bash
# Sets up, builds and runs every test: the suite as built for use, the suite under AddressSanitizer
# and UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, and each fuzzer for a
# short while on its seed corpus.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
jobs="$(nproc)"
FUZZ_SECONDS="${FUZZ_SECONDS:-20}"
# Tests that need a tool (such as the browser) fail instead of skipping when it is missing.
export CI="${CI:-1}"
failed=0
passed=0
broken_steps=()
step() { echo; echo "=== $*"; }
# Counts one step that is not a test run (a fuzzer) as one test.
result() {
  if [ "$1" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); broken_steps+=("$2"); fi
}

# Runs CTest under a virtual display and adds its counts to the totals. Every test runs once: a
# failure counts. -noreset keeps the display as it is when its last client leaves; without it the
# server resets then, and a test program that connects meanwhile finds no display.
run_ctest() {
  local dir="$1" name="$2"; shift 2
  local log rc summary total bad
  log="$(mktemp)"
  set +e
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j "$jobs" --timeout 300 "$@") 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  set -e
  summary="$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)"
  rm -f "$log"
  if [ -z "$summary" ]; then
    failed=$((failed + 1)); broken_steps+=("$name (no test ran)")
    return
  fi
  total="$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")"
  bad="$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$summary")"
  passed=$((passed + total - bad)); failed=$((failed + bad))
  if [ "$rc" -ne 0 ] || [ "$bad" -ne 0 ]; then broken_steps+=("$name"); fi
}

step "build"
"$here/scripts/build.sh" "$here/build"
step "tests"
run_ctest "$here/build" "tests"

step "build with AddressSanitizer and UndefinedBehaviorSanitizer"
"$here/scripts/build.sh" "$here/build-asan" -DBV_SANITIZE=address,undefined -DBV_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
step "tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest "$here/build-asan" "tests under ASan/UBSan"

step "build with ThreadSanitizer"
"$here/scripts/build.sh" "$here/build-tsan" -DBV_SANITIZE=thread -DBV_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
# The threaded tests: the domain layer's workers, and the whole program scanning, making
# thumbnails and recovering with real windows.
step "threaded tests under ThreadSanitizer"
TSAN_OPTIONS="halt_on_error=1:suppressions=$here/tests/tsan.supp" \
  run_ctest "$here/build-tsan" "threaded tests under TSan" -L threads

step "fuzzers (${FUZZ_SECONDS}s each)"
# The whole reader is instrumented for coverage, not only the harnesses.
CC=clang CXX=clang++ "$here/scripts/build.sh" "$here/build-fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
  -DBV_FUZZ=ON -DBV_WITH_PROGRAM=OFF -DBV_TESTS=OFF -DBV_BENCH=OFF -DBV_SANITIZE=address,undefined
for fuzzer in "$here"/build-fuzz/fuzz/*_fuzzer; do
  name="$(basename "$fuzzer" _fuzzer)"
  work="$(mktemp -d)"
  dict=()
  [ -f "$here/fuzz/${name}_fuzzer.dict" ] && dict=("-dict=$here/fuzz/${name}_fuzzer.dict")
  set +e
  (cd "$work" && "$fuzzer" -max_total_time="$FUZZ_SECONDS" -timeout=20 -rss_limit_mb=4096 "${dict[@]}" \
    "$work" "$here/fuzz/${name}-corpus" >"$work/log" 2>&1)
  rc=$?
  set -e
  tail -n 2 "$work/log"
  if [ $rc -ne 0 ]; then
    # The report and the input that caused it, kept where they can be replayed and committed.
    grep -v -E '^#[0-9]+\s+(NEW|REDUCE|pulse|INITED|RELOAD)' "$work/log" | tail -n 60
    mkdir -p "$here/build-fuzz/artifacts/$name"
    for unit in "$work"/crash-* "$work"/timeout-* "$work"/oom-* "$work"/leak-*; do
      [ -f "$unit" ] || continue
      cp "$unit" "$here/build-fuzz/artifacts/$name/"
      echo "kept $here/build-fuzz/artifacts/$name/$(basename "$unit") (base64 follows)"
      base64 -w 0 "$unit" | head -c 8192; echo
    done
  fi
  result $rc "fuzzer $name"
  rm -rf "$work"
done

echo
for s in "${broken_steps[@]}"; do echo "FAILED: $s"; done
# Every test of the three runs plus one per fuzzer.
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ ${#broken_steps[@]} -eq 0 ]
