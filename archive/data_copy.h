// Copies a source file's bytes into its data records.
#ifndef VESK_ARCHIVE_DATA_COPY_H_
#define VESK_ARCHIVE_DATA_COPY_H_

#include <cstdint>
#include <cstdio>

#include "outcome.h"

namespace vesk {

class File;

// Writes exactly the data records that size announces: a file that shrank is
// padded with zeros, one that grew is cut; either counts as not packed.
VeskError copyFileData(File& source, FILE* archive, int64_t size);

}  // namespace vesk

#endif  // VESK_ARCHIVE_DATA_COPY_H_
