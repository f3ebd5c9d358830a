#include "archive_walker.h"

#include <algorithm>
#include <vector>

#include "env.h"
#include "stream_copy.h"

namespace vesk {
namespace {

constexpr size_t kChunkRecords = 512;

// Moves the file's significant bytes to output (or skips them when it is
// nullptr); false when the archive ends inside its data records.
bool walkData(FILE* archive, int32_t size, File* output, std::vector<char>& chunk) {
  const int64_t recordBytes = dataRecordCount(size) * static_cast<int64_t>(kRecordSize);
  // A file whose records are all there moves in bulk.
  if (recordBytes >= kBulkBytes && Env::Default()->remainingBytes(archive) >= recordBytes) {
    const int64_t moved = output != nullptr ? moveBytes(archive, *output, size) : 0;
    if (output != nullptr && moved < size) return false;  // a read failed
    return skipBytes(archive, recordBytes - moved);
  }
  // Record by record, so that only whole records count where the archive
  // breaks off.
  int64_t recordsLeft = dataRecordCount(size);
  int64_t significantLeft = size;
  while (recordsLeft > 0) {
    const size_t records = static_cast<size_t>(std::min<int64_t>(recordsLeft, kChunkRecords));
    const size_t wanted = records * kRecordSize;
    const size_t arrived = readBlock(archive, chunk.data(), wanted);
    const size_t whole = arrived - arrived % kRecordSize;
    const size_t significant = static_cast<size_t>(std::min(significantLeft, static_cast<int64_t>(whole)));
    if (output != nullptr && significant > 0) {
      (void)output->write(chunk.data(), significant);  // failures show when it is closed
    }
    significantLeft -= static_cast<int64_t>(significant);
    recordsLeft -= static_cast<int64_t>(whole / kRecordSize);
    if (arrived < wanted) return false;
  }
  return true;
}

}  // namespace

size_t readBlock(FILE* stream, char* buffer, size_t count) {
  return std::fread(buffer, 1, count, stream);
}

void walkArchive(FILE* archive, ArchiveVisitor& visitor, Outcome& outcome) {
  std::vector<char> chunk(kChunkRecords * kRecordSize);
  RawHeader raw;
  bool endSeen = false;
  while (!outcome.stopped()) {
    // One record is read past the end record and never looked at.
    if (readBlock(archive, reinterpret_cast<char*>(&raw), kRecordSize) < kRecordSize) {
      if (!endSeen) outcome.note(kArchiveDamaged);
      return;
    }
    if (endSeen) return;
    Header header = parseHeader(raw);
    if (header.directory) {
      if (!header.nameTerminated) return outcome.stop(kArchiveDamaged);
      visitor.directory(header, outcome);
    }
    if (header.file) {
      if (!header.nameTerminated || !header.sizeTerminated || header.size < 0) {
        return outcome.stop(kArchiveDamaged);
      }
      File* output = visitor.beginFile(header, outcome);
      if (outcome.stopped()) return;
      // A header that is also an end record has its data cut off by that end.
      const bool whole = header.end || walkData(archive, header.size, output, chunk);
      visitor.endFile(outcome);
      if (!whole) return outcome.note(kArchiveDamaged);
    }
    if (header.end) endSeen = true;
  }
}

}  // namespace vesk
