#!/usr/bin/env bash
# Builds vesk optimised and times it against GNU tar and cp -r.
# Usage: bench/run.sh [--quick] [--rounds N]; trees stay in build-bench/scratch.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh cmake g++ make tar coreutils python3 >/dev/null
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVESK_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench --target vesk -j"$(nproc)" >/dev/null
cc -O2 -Wall -Wextra -Werror -o build-bench/measure bench/measure.c
exec python3 bench/bench.py --vesk build-bench/vesk --measure build-bench/measure \
  --scratch build-bench/scratch "$@"
