// Moving bytes between two open streams, in the kernel where it can.
#ifndef VESK_ARCHIVE_STREAM_COPY_H_
#define VESK_ARCHIVE_STREAM_COPY_H_

#include <cstdint>
#include <cstdio>
#include <vector>

namespace vesk {

class File;

// From this size on, moving a file's bytes in bulk (in the kernel, or by
// seeking past them) pays for its extra calls.
constexpr int64_t kBulkBytes = int64_t{256} * 1024;

// Bytes move through memory in chunks of up to this much. Larger writes
// are taken faster by the page cache, up to here; from 1 MiB on they were,
// on our machine, at times several times slower.
constexpr int64_t kChunkBytes = int64_t{256} * 1024;

// Moves up to count bytes from an archive's position to a file; returns how
// many were read (fewer at the end of the archive or when a read fails).
// Write failures show when the file is closed.
int64_t moveBytes(FILE* archive, File& to, int64_t count);

// Writes bytes to an archive; a chunk as large as its buffer goes past it,
// which saves a copy and a second write. Failures show in its error flag.
void writeToArchive(FILE* archive, const char* data, size_t count);

// Moves a stream on by count bytes without reading them; false if it can't.
bool skipBytes(FILE* stream, int64_t count);

// Gives an archive's freshly opened stream a buffer large enough that its
// records move in few calls. The buffer must outlive the open stream.
void bufferArchive(FILE* archive, std::vector<char>& buffer);

}  // namespace vesk

#endif  // VESK_ARCHIVE_STREAM_COPY_H_
