#!/usr/bin/env bash
# Builds the converter's libFuzzer target with clang and runs it for a while.
# Usage: tools/fuzz.sh [seconds]   (default 60)
# LORVANE_FUZZ_BUILD_DIR overrides the build folder (default build-fuzz);
# LORVANE_FUZZ_CORPUS the folder of inputs the fuzzer grows (default fuzz/corpus-run).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${LORVANE_FUZZ_BUILD_DIR:-build-fuzz}"
corpus="${LORVANE_FUZZ_CORPUS:-fuzz/corpus-run}"
shared="${LORVANE_SHARED_DIR:-../shared}"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DLORVANE_FUZZ=ON -DLORVANE_BUILD_GUI=OFF \
  -DBUILD_TESTING=OFF -DLORVANE_BENCH=OFF >/dev/null
cmake --build "$build" -j 2 --target converter_fuzz make_fuzz_seeds

# Seeds: messages made by the message writer (one for each path through the reader), and
# the shared real messages when present.
mkdir -p "$corpus"
"$build/fuzz/make_fuzz_seeds" "$corpus"
if [ -d "$shared/corpus" ]; then
  for f in "$shared"/corpus/*.msg; do
    cp -n "$f" "$corpus/" 2>/dev/null || true
  done
fi

findings="${build}/findings"
mkdir -p "$findings"
exec "$build/fuzz/converter_fuzz" "$corpus" \
  -max_total_time="$seconds" -max_len=262144 -rss_limit_mb=2048 -timeout=10 \
  -artifact_prefix="$findings/" -print_final_stats=1
