#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Lorvane and runs every check:
#   1. the whole test suite on the normal build;
#   2. the whole test suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer
#      (leak detection on);
#   3. a one-minute smoke run of the converter's fuzz targets (conversion and serve requests).
# LORVANE_QUICK=1 runs step 1 only. The closing line counts the tests passed, failed and
# skipped; under CI (CI=true) the shared corpus must be beside the clone, or nothing runs.
set -euo pipefail
cd "$(dirname "$0")/.."
# Without the corpus its tests only skip, and a CI run would pass without them.
corpus=../shared/corpus
if [ "${CI:-}" = true ] && [ ! -f "$corpus/expected.tsv" ]; then
  echo "CI: the shared corpus is missing (no $(pwd)/$corpus/expected.tsv); its tests would be skipped" >&2
  exit 1
fi
tools/deps.sh
jobs=$(nproc)
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
export QT_QPA_PLATFORM=offscreen

# Runs ctest on a build folder, keeps its output for the closing summary.
run_tests() {
  local build=$1 name=$2
  echo "== tests: $name"
  ctest --test-dir "$build" --output-on-failure -j "$jobs" 2>&1 | tee "$logs/$name.log"
  return "${PIPESTATUS[0]}"
}

echo "== build: normal"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DLORVANE_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
status=0
run_tests build normal || status=1

if [ "${LORVANE_QUICK:-0}" != 1 ]; then
  echo "== build: sanitizers"
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
    -DLORVANE_SANITIZE=ON -DLORVANE_BENCH=OFF -DLORVANE_WERROR=ON >/dev/null
  cmake --build build-asan -j "$jobs"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_tests build-asan sanitizers || status=1

  # The minute is shared: most of it for the conversion, the rest for the serve requests.
  for run in "converter_fuzz 45" "serve_fuzz 15"; do
    set -- $run
    echo "== fuzz smoke: $1, $2 seconds"
    LORVANE_FUZZ_CORPUS="$logs/fuzz-corpus" tools/fuzz.sh "$2" "$1" >"$logs/$1.log" 2>&1 || {
      tail -40 "$logs/$1.log"; echo "fuzz smoke: $1 found a failure"; status=1; }
    grep -E "^stat::number_of_executed_units|^Done" "$logs/$1.log" || true
  done
fi

# One closing line over every test run.
tools/test_summary.sh "$logs"/*.log
exit "$status"
