// The archive's record: one 128-byte layout for headers, raw bytes for data.
#ifndef VESK_ARCHIVE_RECORD_H_
#define VESK_ARCHIVE_RECORD_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vesk {

constexpr size_t kRecordSize = 128;

struct RawHeader {
  char tag[8];
  char size[20];
  char name[100];
};
static_assert(sizeof(RawHeader) == kRecordSize, "a header is one record");

constexpr size_t kMaxNameLength = sizeof(RawHeader::name) - 1;
constexpr int64_t kMaxFileSize = INT32_MAX;

inline constexpr char kDirectoryTag[] = "ordner";
inline constexpr char kFileTag[] = "file";
inline constexpr char kEndTag[] = "end";

// What a reader makes of a header record: which of the three tests held,
// and the fields, each bounded by its width.
struct Header {
  bool directory = false;
  bool file = false;
  bool end = false;
  std::string_view name;  // points into the record
  bool nameTerminated = false;
  bool sizeTerminated = false;
  int32_t size = 0;
};

Header parseHeader(const RawHeader& raw);

// strtol's reading of a decimal text, clamped to the signed 32-bit range.
int32_t parseSize(std::string_view text);

// A header whose every byte past the texts is zero. The texts must fit.
RawHeader makeHeader(std::string_view tag, std::string_view size, std::string_view name);

// A file always has at least one data record.
inline int64_t dataRecordCount(int64_t size) {
  const auto record = static_cast<int64_t>(kRecordSize);
  return size <= record ? 1 : (size + record - 1) / record;
}

}  // namespace vesk

#endif  // VESK_ARCHIVE_RECORD_H_
