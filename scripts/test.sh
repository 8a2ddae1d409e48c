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
step() { echo; echo "=== $*"; }
result() {
  if [ "$1" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $2"; fi
}

run_ctest() {
  local dir="$1"; shift
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$jobs" --timeout 300 "$@")
}

step "build"
"$here/scripts/build.sh" "$here/build"
step "tests"
set +e; run_ctest "$here/build"; result $? "tests"; set -e

step "build with AddressSanitizer and UndefinedBehaviorSanitizer"
"$here/scripts/build.sh" "$here/build-asan" -DBV_SANITIZE=address,undefined -DBV_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
step "tests under AddressSanitizer and UndefinedBehaviorSanitizer"
set +e
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest "$here/build-asan"
result $? "tests under ASan/UBSan"
set -e

step "build with ThreadSanitizer"
"$here/scripts/build.sh" "$here/build-tsan" -DBV_SANITIZE=thread -DBV_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
step "threaded tests under ThreadSanitizer"
set +e
TSAN_OPTIONS="halt_on_error=1:suppressions=$here/tests/tsan.supp" run_ctest "$here/build-tsan" -L threads
result $? "tests under TSan"
set -e

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
  if [ $rc -ne 0 ]; then grep -E 'ERROR|SUMMARY|Test unit written' "$work/log" | head -20; fi
  result $rc "fuzzer $name"
  rm -rf "$work"
done

echo
echo "test steps: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
