#!/usr/bin/env bash
# Installs the build into a scratch prefix, builds a consumer project against
# it with find_package(Vesk), and runs it.
set -euo pipefail
build=$1
source=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
test -x "$scratch/prefix/bin/vesk"
test -f "$scratch/prefix/include/VeskPack.h"
test -f "$scratch/prefix/include/VeskSound.h"
cmake -S "$source/consumer" -B "$scratch/consumer" -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
cmake --build "$scratch/consumer" >/dev/null
mkdir -p "$scratch/tree/sub" "$scratch/out"
echo "tune" > "$scratch/tree/sub/a.mp3"
TMPDIR="$scratch" "$scratch/consumer/consumer" "$scratch/tree/" "$scratch/a.vsk" "$scratch/out/" </dev/null >/dev/null
cmp "$scratch/tree/sub/a.mp3" "$scratch/out/sub/a.mp3"
cmp "$scratch/tree/sub/a.mp3" "$scratch/138368438/sub/a.mp3"
"$scratch/prefix/bin/vesk" list "$scratch/a.vsk" | grep -q 'sub\\a.mp3'
echo "consumer built and ran against the installed tree"
