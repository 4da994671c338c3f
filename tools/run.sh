#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Lorvane and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
exec build/app/lorvane "$@"
