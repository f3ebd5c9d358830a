#include "data_copy.h"

#include <algorithm>
#include <cstring>

#include "record.h"

namespace vesk {

VeskError copyFileData(FILE* source, FILE* archive, int64_t size) {
  char chunk[64 * 1024];
  int64_t recordBytes = dataRecordCount(size) * static_cast<int64_t>(kRecordSize);
  int64_t unread = size;
  bool changed = false;
  while (recordBytes > 0) {
    size_t length = static_cast<size_t>(std::min(recordBytes, static_cast<int64_t>(sizeof chunk)));
    size_t wanted = static_cast<size_t>(std::min(unread, static_cast<int64_t>(length)));
    size_t arrived = changed ? 0 : std::fread(chunk, 1, wanted, source);
    if (arrived < wanted) changed = true;
    std::memset(chunk + arrived, 0, length - arrived);
    (void)std::fwrite(chunk, 1, length, archive);  // failures show in the error flag
    unread -= static_cast<int64_t>(arrived);
    recordBytes -= static_cast<int64_t>(length);
  }
  if (!changed && std::fgetc(source) != EOF) changed = true;
  return changed ? kEntryNotPacked : kSuccess;
}

}  // namespace vesk
