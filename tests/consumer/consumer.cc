// Packs a folder and extracts it again through the installed library.
#include <cstdio>
#include <cstring>
#include <string>

#include "VeskPack.h"
#include "VeskSound.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  VeskPack vesk;
  if (vesk.pack(argv[1], argv[2]).failed) return 3;
  char filter[] = "*";
  if (vesk.extract(argv[2], argv[3], filter, false).failed) return 4;
  const char* folder = VeskSound_extract(argv[2]);
  std::printf("sound folder: %s\n", folder);
  return folder != nullptr && std::strlen(folder) > 0 ? 0 : 5;
}
