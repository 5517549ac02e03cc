#!/usr/bin/env bash
# Builds the data-file reader fuzz targets with clang (libFuzzer, address and
# undefined-behaviour sanitizers) and runs each for a bounded time, starting
# from the small corpus in fuzz/corpus. New inputs go to a temporary
# directory, not into the repository; a crash leaves its input in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh clang libclang-rt-14-dev cmake ninja-build
seconds="${VARNHOLT_FUZZ_SECONDS:-20}"

cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for target in species settings; do
  mkdir -p "$work/$target"
  build-fuzz/fuzz_$target -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/ "$work/$target" "fuzz/corpus/$target"
done
