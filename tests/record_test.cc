#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "record.h"
#include "test_support.h"

namespace vesk {
namespace {

RawHeader rawFrom(const std::string& bytes) {
  RawHeader raw;
  std::memset(&raw, 0, sizeof raw);
  std::memcpy(&raw, bytes.data(), std::min(bytes.size(), sizeof raw));
  return raw;
}

struct RecognitionCase {
  std::string record;  // the first bytes of a header record, zero-filled
  bool directory, file, end;
};

TEST(HeaderRecognition, AppliesTheThreeSubstringTestsToTheLeadingText) {
  const RecognitionCase cases[] = {
      {"ordner", true, false, false},
      {"file", false, true, false},
      {"end", false, false, true},
      {"xordnerx", true, false, false},
      {"profile", false, true, false},
      {"append", false, false, true},
      {"fileend", false, true, true},
      {"FILE", false, false, false},
      {"ordne", false, false, false},
      {"", false, false, false},
      // Without a terminator in the tag the text runs on into the size field.
      {std::string("xxxxxfil") + "e12", false, true, false},
      // A NUL inside the tag ends the text there.
      {std::string("fi\0le", 5), false, false, false},
  };
  for (const auto& c : cases) {
    Header header = parseHeader(rawFrom(c.record));
    EXPECT_EQ(header.directory, c.directory) << c.record;
    EXPECT_EQ(header.file, c.file) << c.record;
    EXPECT_EQ(header.end, c.end) << c.record;
  }
}

TEST(HeaderRecognition, ReadsTheWholeRecordWhenItHoldsNoNul) {
  RawHeader raw = rawFrom(std::string(120, 'x') + "ordner!!");
  Header header = parseHeader(raw);
  EXPECT_TRUE(header.directory);
  EXPECT_FALSE(header.nameTerminated);
  EXPECT_FALSE(header.sizeTerminated);
  EXPECT_EQ(header.name.size(), 100u);
}

TEST(HeaderFields, NameAndSizeAreBoundedByTheirWidths) {
  std::string record = vesk_test::ArchiveBuilder().header("file", "42", std::string(99, 'n')).bytes();
  RawHeader raw = rawFrom(record);  // the header's name points into it
  Header header = parseHeader(raw);
  EXPECT_TRUE(header.nameTerminated);
  EXPECT_TRUE(header.sizeTerminated);
  EXPECT_EQ(header.name, std::string(99, 'n'));
  EXPECT_EQ(header.size, 42);

  record.replace(8, 20, std::string(20, '7'));
  record.replace(28, 100, std::string(100, 'n'));
  raw = rawFrom(record);
  header = parseHeader(raw);
  EXPECT_FALSE(header.nameTerminated);
  EXPECT_FALSE(header.sizeTerminated);
  EXPECT_EQ(header.size, INT32_MAX);
}

TEST(SizeParsing, FollowsStrtolClampedToThirtyTwoBits) {
  const std::pair<std::string, int32_t> cases[] = {
      {"0", 0},
      {"200", 200},
      {"", 0},
      {"abc", 0},
      {"12abc", 12},
      {"  42", 42},
      {"\t\n\v\f\r7", 7},
      {"+9", 9},
      {"-5", -5},
      {"-0", 0},
      {"- 5", 0},
      {"2147483647", INT32_MAX},
      {"2147483648", INT32_MAX},
      {"99999999999999999999", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"-2147483649", INT32_MIN},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(parseSize(text), value) << '"' << text << '"';
}

TEST(HeaderWriting, LeavesEveryByteAfterTheTextsZero) {
  RawHeader header = makeHeader("file", "200", "music\\a.mp3");
  std::string expected = vesk_test::ArchiveBuilder().header("file", "200", "music\\a.mp3").bytes();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&header), sizeof header), expected);
}

TEST(DataRecords, AFileHasAtLeastOne) {
  const std::pair<int64_t, int64_t> cases[] = {
      {0, 1}, {1, 1}, {127, 1}, {128, 1}, {129, 2}, {256, 2}, {257, 3}, {INT32_MAX, 16777216}};
  for (const auto& [size, records] : cases) EXPECT_EQ(dataRecordCount(size), records) << size;
}

}  // namespace
}  // namespace vesk
