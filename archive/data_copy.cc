#include "data_copy.h"

#include <algorithm>
#include <vector>

#include "env.h"
#include "record.h"
#include "stream_copy.h"

namespace vesk {
namespace {

// Moves the source's bytes after the first `moved` of size; returns how many
// there were in all, and in *grew whether the file holds more than size.
// Each read asks one byte past what is left, so that the end of a small file
// shows without a read of its own.
int64_t moveRest(File& source, FILE* archive, int64_t size, int64_t moved, bool* grew) {
  std::vector<char> chunk(static_cast<size_t>(std::min(size - moved + 1, kChunkBytes)));
  for (;;) {
    const int64_t left = size - moved;
    const size_t wanted = static_cast<size_t>(std::min(left + 1, static_cast<int64_t>(chunk.size())));
    const size_t arrived = source.read(chunk.data(), wanted);
    const size_t kept = static_cast<size_t>(std::min(static_cast<int64_t>(arrived), left));
    writeToArchive(archive, chunk.data(), kept);
    moved += static_cast<int64_t>(kept);
    *grew = static_cast<int64_t>(arrived) > left;
    if (*grew || arrived < wanted) return moved;
  }
}

}  // namespace

VeskError copyFileData(File& source, FILE* archive, int64_t size) {
  static const char kZeros[4096] = {};
  int64_t moved = 0;
  if (size >= kBulkBytes) {
    moved = static_cast<int64_t>(Env::Default()->copyToStream(source, archive, static_cast<uint64_t>(size)));
  }
  bool grew = false;
  moved = moveRest(source, archive, size, moved, &grew);
  // The last record's tail, and all a shrunk file no longer holds, is zero.
  int64_t padding = dataRecordCount(size) * static_cast<int64_t>(kRecordSize) - moved;
  while (padding > 0) {
    const size_t length = static_cast<size_t>(std::min(padding, static_cast<int64_t>(sizeof kZeros)));
    (void)std::fwrite(kZeros, 1, length, archive);  // failures show in the error flag
    padding -= static_cast<int64_t>(length);
  }
  return moved < size || grew ? kEntryNotPacked : kSuccess;
}

}  // namespace vesk
