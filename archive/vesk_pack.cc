// The parts of VeskPack that neither pack nor extract: it holds no data.
#include "VeskPack.h"

#include "archive_walker.h"

VeskPack::VeskPack() = default;

VeskPack::~VeskPack() = default;

// NOLINTNEXTLINE(cert-oop54-cpp): there is no data, so nothing for a self-assignment to harm
VeskPack& VeskPack::operator=(const VeskPack&) { return *this; }

int32_t VeskPack::GetBlock(FILE* stream, char* buffer, int32_t count) {
  return count >= 0 && vesk::readBlock(stream, buffer, static_cast<size_t>(count)) ==
                           static_cast<size_t>(count);
}
