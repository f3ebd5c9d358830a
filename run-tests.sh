#!/usr/bin/env bash
# Builds everything and runs every test. Safe to run on a fresh machine.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh cmake g++ make libgtest-dev
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)" </dev/null
