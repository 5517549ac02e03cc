#!/usr/bin/env bash
# Builds everything and runs every test: the native tests (also under the
# address and undefined-behaviour sanitizers).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh g++ cmake ninja-build libgtest-dev libbenchmark-dev

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNHOLT_SANITIZE=ON -DVARNHOLT_BENCH=OFF >/dev/null
cmake --build build-sanitize
ctest --test-dir build-sanitize --output-on-failure -j2

# The data-file readers under libFuzzer, a bounded run each.
bash scripts/fuzz.sh
