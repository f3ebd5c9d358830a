#include "stream_copy.h"

#include <algorithm>
#include <climits>

#include "env.h"

namespace vesk {
namespace {

constexpr size_t kArchiveBufferBytes = size_t{64} * 1024;

}  // namespace

int64_t moveBytes(FILE* archive, File& to, int64_t count) {
  int64_t moved = 0;
  if (count >= kBulkBytes) {
    moved = static_cast<int64_t>(Env::Default()->copyFromStream(archive, to, static_cast<uint64_t>(count)));
  }
  std::vector<char> chunk(static_cast<size_t>(std::min(count - moved, kChunkBytes)));
  while (moved < count) {
    const size_t wanted = static_cast<size_t>(std::min(count - moved, static_cast<int64_t>(chunk.size())));
    const size_t arrived = std::fread(chunk.data(), 1, wanted, archive);
    (void)to.write(chunk.data(), arrived);  // failures show when it is closed
    moved += static_cast<int64_t>(arrived);
    if (arrived < wanted) break;
  }
  return moved;
}

void writeToArchive(FILE* archive, const char* data, size_t count) {
  size_t written = 0;
  if (count >= kArchiveBufferBytes) written = Env::Default()->writePastBuffer(archive, data, count);
  (void)std::fwrite(data + written, 1, count - written, archive);  // failures show in the error flag
}

void bufferArchive(FILE* archive, std::vector<char>& buffer) {
  buffer.resize(kArchiveBufferBytes);
  // Should it fail, the stream keeps its default buffer, which works too.
  (void)std::setvbuf(archive, buffer.data(), _IOFBF, buffer.size());
}

bool skipBytes(FILE* stream, int64_t count) {
  // fseek takes a long, which is 32 bits on Windows.
  while (count > 0) {
    const long step = static_cast<long>(std::min(count, static_cast<int64_t>(LONG_MAX)));
    if (std::fseek(stream, step, SEEK_CUR) != 0) return false;
    count -= step;
  }
  return true;
}

}  // namespace vesk
