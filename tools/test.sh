#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Lorvane and runs every check:
#   1. the whole test suite on the normal build;
#   2. the whole test suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer
#      (leak detection on);
#   3. a one-minute smoke run of the converter's fuzz targets (conversion and serve requests);
#   4. the converter cross-built for Windows (tools/windows.sh converter): its tests under
#      wine and the shared corpus in two option combinations against the Linux build
#      (tools/windows_corpus_check.sh). It runs where the Windows libraries are built already
#      (`tools/windows.sh ready`), else it is left out, saying so; LORVANE_WINDOWS=1 runs it
#      anyway (installing the toolchain and building the libraries first), LORVANE_WINDOWS=0
#      never.
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

# Runs ctest on a build folder (with any further ctest options), keeps its output for the
# closing summary.
run_tests() {
  local build=$1 name=$2; shift 2
  echo "== tests: $name"
  ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@" 2>&1 | tee "$logs/$name.log"
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

  windows=${LORVANE_WINDOWS:-}
  if [ -z "$windows" ]; then
    if tools/windows.sh ready; then windows=1; else
      windows=0
      echo "== windows: left out, the Windows libraries are not built here (tools/windows.sh packages libs, or LORVANE_WINDOWS=1)"
    fi
  fi
  if [ "$windows" = 1 ]; then
    echo "== build: converter for Windows"
    if tools/windows.sh packages libs converter >"$logs/windows-build.txt" 2>&1; then
      # Left out under wine: the ten thousand attachments (minutes of wine's file calls; the
      # normal build runs it), and the HTML tests where the build has no HTML parser.
      skip=TenThousand
      if grep -q '^GUMBO_LIBRARY:.*NOTFOUND' build-windows-converter/CMakeCache.txt; then
        skip+='|^HtmlTextTest\.|^HtmlLayoutTest\.|^CorpusTest\.(EveryFileComesOutAsExpected|MessagesWithoutRtfBodyKeepTheirText|PicturesOnShowEveryInlinePicture)$'
        echo "== windows: no HTML parser in this build (gumbo's source was not to be had): HTML and corpus tests left out"
      fi
      WINEDEBUG=-all run_tests build-windows-converter windows -E "$skip" || status=1
      if [ -f "$corpus/expected.tsv" ]; then
        echo "== windows: the corpus, Linux against wine"
        LORVANE_CHECK_COMBINATIONS="0 15" tools/windows_corpus_check.sh build/converter/Quorlin \
          build-windows-converter/converter/Quorlin.exe "$corpus" || status=1
      else
        echo "== windows: the corpus check left out, no corpus at $corpus"
      fi
    else
      tail -40 "$logs/windows-build.txt"; echo "windows: the converter did not build"; status=1
    fi
  fi
fi

# One closing line over every test run.
tools/test_summary.sh "$logs"/*.log
exit "$status"
