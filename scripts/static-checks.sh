#!/usr/bin/env bash
# clang-tidy and cppcheck over the library's sources; any finding fails.
# Needs build/compile_commands.json (the Linux build writes it).
set -euo pipefail
cd "$(dirname "$0")/.."
sources=(archive/*.cc entry/folder_number.cc entry/sound_extract.cc platform/env_posix.cc)
clang-tidy -p build --quiet "${sources[@]}" 2>/dev/null
cppcheck --enable=warning,performance,portability --inline-suppr --error-exitcode=1 \
  --std=c++17 --quiet -I archive -I entry -I platform "${sources[@]}"
echo "clang-tidy and cppcheck: no findings"
