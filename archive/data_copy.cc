#include "data_copy.h"

#include <algorithm>

#include "record.h"
#include "stream_copy.h"

namespace vesk {

VeskError copyFileData(FILE* source, FILE* archive, int64_t size) {
  static const char kZeros[4096] = {};
  // The source is read in large chunks of our own: its buffer would only
  // split them into more calls.
  (void)std::setvbuf(source, nullptr, _IONBF, 0);
  const int64_t moved = moveBytes(source, archive, size);
  bool changed = moved < size;
  // The last record's tail, and all a shrunk file no longer holds, is zero.
  int64_t padding = dataRecordCount(size) * static_cast<int64_t>(kRecordSize) - moved;
  while (padding > 0) {
    const size_t length = static_cast<size_t>(std::min(padding, static_cast<int64_t>(sizeof kZeros)));
    (void)std::fwrite(kZeros, 1, length, archive);  // failures show in the error flag
    padding -= static_cast<int64_t>(length);
  }
  if (!changed && std::fgetc(source) != EOF) changed = true;
  return changed ? kEntryNotPacked : kSuccess;
}

}  // namespace vesk
