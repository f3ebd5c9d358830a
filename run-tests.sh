#!/usr/bin/env bash
# Builds everything and runs every test: the 32-bit Vesk.dll, built and
# inspected; the 64-bit Vesk.dll with the suite under Wine; the static
# checks; the suite under ASan and UBSan; a minute of fuzzing; the Linux
# library with the suite, the C host and the tool. Safe on a fresh machine.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh cmake g++ make libgtest-dev googletest \
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64 python3-pefile \
  clang libfuzzer-14-dev libclang-rt-14-dev clang-tidy cppcheck
jobs=$(nproc)
export WINEDEBUG=-all

# This kernel runs no 32-bit program: the home platform's DLL is checked.
cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DVESK_BUILD_TESTS=OFF
cmake --build build-win32 -j"$jobs"
/usr/bin/python3 tests/check_dll.py build-win32/Vesk.dll i686

cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DVESK_BUILD_TESTS=ON
cmake --build build-win64 -j"$jobs"
/usr/bin/python3 tests/check_dll.py build-win64/Vesk.dll x86_64
# Prepare Wine's prefix once, before tests start wine side by side.
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
ctest --test-dir build-win64 --output-on-failure -j"$jobs" </dev/null

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVESK_BUILD_TESTS=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
scripts/static-checks.sh

cmake -S . -B build-asan -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVESK_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs" </dev/null

scripts/fuzz.sh 60

cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" </dev/null
