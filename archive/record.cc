#include "record.h"

#include <cstring>

namespace vesk {
namespace {

std::string_view fieldText(const char* field, size_t width, bool* terminated) {
  const void* nul = std::memchr(field, '\0', width);
  *terminated = nul != nullptr;
  return std::string_view(field, nul ? static_cast<const char*>(nul) - field : width);
}

void copyField(char* field, size_t width, std::string_view text) {
  std::memcpy(field, text.data(), text.size() < width ? text.size() : width - 1);
}

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

Header parseHeader(const RawHeader& raw) {
  Header header;
  bool wholeTerminated;
  // The kind is read from the text that starts the record, which may run past
  // the tag field when the tag lacks its terminator.
  std::string_view text =
      fieldText(reinterpret_cast<const char*>(&raw), kRecordSize, &wholeTerminated);
  header.directory = text.find(kDirectoryTag) != std::string_view::npos;
  header.file = text.find(kFileTag) != std::string_view::npos;
  header.end = text.find(kEndTag) != std::string_view::npos;
  header.name = fieldText(raw.name, sizeof raw.name, &header.nameTerminated);
  std::string_view size = fieldText(raw.size, sizeof raw.size, &header.sizeTerminated);
  header.size = parseSize(size);
  return header;
}

int32_t parseSize(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > limit) value = limit;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

RawHeader makeHeader(std::string_view tag, std::string_view size, std::string_view name) {
  RawHeader raw;
  std::memset(&raw, 0, sizeof raw);
  copyField(raw.tag, sizeof raw.tag, tag);
  copyField(raw.size, sizeof raw.size, size);
  copyField(raw.name, sizeof raw.name, name);
  return raw;
}

}  // namespace vesk
