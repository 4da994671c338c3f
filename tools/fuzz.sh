#!/usr/bin/env bash
# Builds one of the converter's libFuzzer targets with clang and runs it for a while.
# Usage: tools/fuzz.sh [seconds] [target]   (default 60 seconds, converter_fuzz)
# Targets: converter_fuzz (message bytes through the whole conversion), serve_fuzz (the
# requests of the long-lived mode).
# LORVANE_FUZZ_BUILD_DIR overrides the build folder (default build-fuzz);
# LORVANE_FUZZ_CORPUS the folder of inputs the fuzzer grows (default fuzz/corpus-run).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
target="${2:-converter_fuzz}"
build="${LORVANE_FUZZ_BUILD_DIR:-build-fuzz}"
corpus="${LORVANE_FUZZ_CORPUS:-fuzz/corpus-run}"
if [ "$target" != converter_fuzz ]; then corpus="${corpus}-${target%_fuzz}"; fi
shared="${LORVANE_SHARED_DIR:-../shared}"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DLORVANE_FUZZ=ON -DLORVANE_BUILD_GUI=OFF \
  -DBUILD_TESTING=OFF -DLORVANE_BENCH=OFF >/dev/null
cmake --build "$build" -j 2 --target "$target" make_fuzz_seeds

mkdir -p "$corpus"
if [ "$target" = serve_fuzz ]; then
  # Seeds: request streams of three NUL-ended fields, with and without options, a refused
  # option and a stream cut inside a request.
  printf '\0in\0out.doc\0' >"$corpus/plain"
  printf 'header\0a\0b.doc\0\0in1\0o\0' >"$corpus/two"
  printf 'bogus\0x\0y\0header  header\0xy\0z\0' >"$corpus/options"
  printf '\0cut' >"$corpus/cut"
else
  # Seeds: messages made by the message writer (one for each path through the reader), and
  # the shared real messages when present.
  "$build/fuzz/make_fuzz_seeds" "$corpus"
  if [ -d "$shared/corpus" ]; then
    for f in "$shared"/corpus/*.msg; do
      cp -n "$f" "$corpus/" 2>/dev/null || true
    done
  fi
fi

findings="${build}/findings"
mkdir -p "$findings"
exec "$build/fuzz/$target" "$corpus" \
  -max_total_time="$seconds" -max_len=262144 -rss_limit_mb=2048 -timeout=10 \
  -artifact_prefix="$findings/" -print_final_stats=1
