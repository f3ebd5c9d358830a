#include "folder_number.h"

namespace vesk {
namespace {

thread_local uint32_t generatorState = 1;

int64_t draw() {
  generatorState = generatorState * 214013u + 2531011u;
  return (generatorState >> 16) & 0x7FFF;
}

}  // namespace

int32_t nextFolderNumber() {
  int64_t r[9];
  for (int64_t& value : r) value = draw();
  int64_t v = (r[0] * r[1] + r[2]) * (r[3] * r[4] + r[5]) + r[6] * r[7] + r[8];
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

}  // namespace vesk
