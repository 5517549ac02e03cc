#!/usr/bin/env bash
# Builds the program and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh g++ cmake ninja-build libgtest-dev libbenchmark-dev
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
mkdir -p out
cd out
../build/varnholt-cli 116=12345678 117=3 press 202
echo "frame list written to $(pwd)/list.txt"
