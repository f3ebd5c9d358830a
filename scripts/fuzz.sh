#!/usr/bin/env bash
# Builds the fuzz target (clang, libFuzzer, ASan, UBSan) and runs it for
# SECONDS (default 60). Findings land in build-fuzz/findings/; keep each in
# fuzz/regressions/ once it is fixed, so the suite replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVESK_FUZZ=ON -DVESK_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz --target extract_fuzzer -j"$(nproc)" >/dev/null
mkdir -p build-fuzz/corpus build-fuzz/findings
if ! build-fuzz/fuzz/extract_fuzzer -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -dict=fuzz/vesk.dict -artifact_prefix=build-fuzz/findings/ -print_final_stats=1 \
    build-fuzz/corpus fuzz/corpus fuzz/regressions </dev/null >build-fuzz/fuzz.log 2>&1; then
  tail -n 40 build-fuzz/fuzz.log
  echo "fuzzing found a fault: see build-fuzz/findings/" >&2
  exit 1
fi
grep -E "^#[0-9]+[[:space:]]+DONE" build-fuzz/fuzz.log || true
grep -E "stat::number_of_executed_units" build-fuzz/fuzz.log || true
