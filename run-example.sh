#!/usr/bin/env bash
# Builds vesk and shows it on a real example: pack a folder, list the
# archive, extract it, show what came out, and get its sound files as a
# host would.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh cmake g++ make libgtest-dev >/dev/null
cmake -S . -B build >/dev/null
cmake --build build --target vesk -j"$(nproc)" >/dev/null
vesk=$PWD/build/vesk

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p album/intro
printf 'ID3 intro' > album/intro/intro.mp3
head -c 1000 /dev/zero > album/theme.mp3
printf 'Liner notes\n' > album/notes.txt

run() { echo "\$ vesk $*"; "$vesk" "$@"; }
run pack album album.vsk
run list album.vsk
run extract album.vsk restored
echo "\$ find restored | sort"
find restored | sort
echo "\$ vesk sound album.vsk"
TMPDIR=$work "$vesk" sound album.vsk | sed "s|^$work|\$TMPDIR|"
cmp album/theme.mp3 restored/theme.mp3 && cmp album/intro/intro.mp3 restored/intro/intro.mp3 &&
  echo "restored/ matches album/ byte for byte"
