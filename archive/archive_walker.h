// Reads an archive front to back, the one reader of the format: it tells
// headers from data by position and hands each entry to a visitor.
#ifndef VESK_ARCHIVE_ARCHIVE_WALKER_H_
#define VESK_ARCHIVE_ARCHIVE_WALKER_H_

#include <cstddef>
#include <cstdio>

#include "outcome.h"
#include "record.h"

namespace vesk {

class File;

class ArchiveVisitor {
 public:
  virtual ~ArchiveVisitor() = default;
  virtual void directory(const Header& header, Outcome& outcome) = 0;
  // Returns the file for the file's significant bytes, or nullptr to skip
  // them. May stop the walk through outcome; no data follows then.
  virtual File* beginFile(const Header& header, Outcome& outcome) = 0;
  // After the file's last data record, or where the archive broke off.
  virtual void endFile(Outcome& outcome) = 0;
};

// Reads up to count bytes; returns how many arrived.
size_t readBlock(FILE* stream, char* buffer, size_t count);

// Walks until the end record, the end of the archive, or a stop. An archive
// that ends before its end record, or a damaged header, is a failure.
void walkArchive(FILE* archive, ArchiveVisitor& visitor, Outcome& outcome);

}  // namespace vesk

#endif  // VESK_ARCHIVE_ARCHIVE_WALKER_H_
