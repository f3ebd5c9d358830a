#include "archive_walker.h"

#include <algorithm>
#include <vector>

namespace vesk {
namespace {

constexpr size_t kChunkRecords = 512;

// Passes the file's data records to the visitor; false when the archive
// ends inside them. Only whole records count.
bool walkData(FILE* archive, int32_t size, ArchiveVisitor& visitor, std::vector<char>& chunk) {
  int64_t recordsLeft = dataRecordCount(size);
  int64_t significantLeft = size;
  while (recordsLeft > 0) {
    size_t records = static_cast<size_t>(std::min<int64_t>(recordsLeft, kChunkRecords));
    size_t wanted = records * kRecordSize;
    size_t arrived = readBlock(archive, chunk.data(), wanted);
    size_t whole = arrived - arrived % kRecordSize;
    size_t significant = static_cast<size_t>(std::min(significantLeft, static_cast<int64_t>(whole)));
    if (significant > 0) visitor.fileData(chunk.data(), significant);
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
      visitor.beginFile(header, outcome);
      if (outcome.stopped()) return;
      // A header that is also an end record has its data cut off by that end.
      bool whole = header.end || walkData(archive, header.size, visitor, chunk);
      visitor.endFile(outcome);
      if (!whole) return outcome.note(kArchiveDamaged);
    }
    if (header.end) endSeen = true;
  }
}

}  // namespace vesk
