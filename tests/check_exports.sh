#!/usr/bin/env bash
# The shared library exports exactly the class VeskPack and VeskSound_extract.
set -euo pipefail
library=$1
actual=$(nm -D --defined-only "$library" | awk '{print $3}' | c++filt | sort -u)
expected=$(sort -u <<'LIST'
VeskPack::GetBlock(_IO_FILE*, char*, int)
VeskPack::VeskPack()
VeskPack::extract(char*, char const*, char*, bool)
VeskPack::operator=(VeskPack const&)
VeskPack::pack(char*, char*)
VeskPack::packrekursiv(_IO_FILE*, char const*, char const*, char const*)
VeskPack::~VeskPack()
VeskSound_extract
LIST
)
if [ "$actual" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
readelf -d "$library" | grep -q 'Library soname: \[libVesk.so.1\]'
