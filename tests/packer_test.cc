#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "data_copy.h"
#include "env.h"
#include "stream_copy.h"
#include "packer_fixture.h"

namespace vesk_test {
namespace {

TEST_F(PackerTest, EmptyDirectoryGivesTheEndRecordAloneAndNoLine) {
  EXPECT_EQ(packSource(), "");
  EXPECT_EQ(result_.failed, 0);
  EXPECT_STREQ(result_.text, "");
  EXPECT_EQ(result_.length, 0);
  EXPECT_EQ(readFile(archive_), ArchiveBuilder().end().bytes());
}

TEST_F(PackerTest, EmptyFileTakesARecordAndOneDataRecord) {
  writeFile(source_ + "x", "");
  EXPECT_EQ(packSource(), "Datei: x Bytes: 0\n");
  EXPECT_EQ(result_.failed, 0);
  EXPECT_EQ(readFile(archive_), ArchiveBuilder().file("x", "").end().bytes());
  EXPECT_EQ(readFile(archive_).size(), 384u);
}

TEST_F(PackerTest, NestedFileCarriesItsDirectoryInTheStoredName) {
  makeDirectory(source_ + "d");
  writeFile(source_ + "d/f.txt", "hello");
  EXPECT_EQ(packSource(), "ordner: d\nDatei: d\\f.txt Bytes: 5\n");
  EXPECT_EQ(readFile(archive_),
            ArchiveBuilder().directory("d").file("d\\f.txt", "hello").end().bytes());
}

TEST_F(PackerTest, WorkedExampleInListingOrder) {
  std::string song(200, '\0');
  for (size_t i = 0; i < song.size(); ++i) song[i] = static_cast<char>(i * 7);
  writeFile(source_ + "a.mp3", song);
  makeDirectory(source_ + "sub");
  writeFile(source_ + "sub/b.txt", "");
  ArchiveBuilder expected;
  std::string lines;
  for (const std::string& name : listingOrder(source_)) {
    if (name == "a.mp3") {
      expected.file("a.mp3", song);
      lines += "Datei: a.mp3 Bytes: 200\n";
    } else {
      expected.directory("sub").file("sub\\b.txt", "");
      lines += "ordner: sub\nDatei: sub\\b.txt Bytes: 0\n";
    }
  }
  expected.end();
  EXPECT_EQ(packSource(), lines);
  EXPECT_EQ(readFile(archive_), expected.bytes());
  EXPECT_EQ(readFile(archive_).size(), 896u);
}

TEST_F(PackerTest, SameTreeTwiceGivesIdenticalArchives) {
  makeDirectory(source_ + "a/b");
  writeFile(source_ + "a/b/c", std::string(300, 'c'));
  writeFile(source_ + ".hidden", "dot");
  packSource();
  std::string first = readFile(archive_);
  packSource();
  EXPECT_EQ(readFile(archive_), first);
  auto names = storedNames(archive_);
  EXPECT_NE(std::find(names.begin(), names.end(), ".hidden"), names.end());
}

TEST_F(PackerTest, ANameOfNinetyNineBytesFits) {
  std::string name(99, 'n');
  writeFile(source_ + name, "z");
  packSource();
  EXPECT_EQ(result_.failed, 0);
  EXPECT_EQ(readFile(archive_), ArchiveBuilder().file(name, "z").end().bytes());
}

TEST_F(PackerTest, NamesOverNinetyNineBytesAreLeftOutWithTheirSubtree) {
  writeFile(source_ + "kept", "kept");
  writeFile(source_ + std::string(100, 'n'), "x");
  makeDirectory(source_ + std::string(60, 'd') + "/" + std::string(50, 'e'));
  makeDirectory(source_ + std::string(100, 'o') + "/inside");
  std::string lines = packSource();
  EXPECT_EQ(errorText(result_), "Eintrag konnte nicht gepackt werden.");
  EXPECT_NE(lines.find("Datei: kept Bytes: 4\n"), std::string::npos);
  VeskError parsed;
  auto names = storedNames(archive_, &parsed);
  EXPECT_EQ(parsed.failed, 0);
  std::sort(names.begin(), names.end());
  // The 60-byte directory fits; only its overlong child is left out.
  EXPECT_EQ(names, (std::vector<std::string>{std::string(60, 'd'), "kept"}));
}

TEST_F(PackerTest, SourceFileHeldForWritingAbandonsTheLevelButKeepsTheArchiveReadable) {
  for (const char* name : {"a", "b", "c", "d"}) writeFile(source_ + name, name);
  makeDirectory(source_ + "z");
  writeFile(source_ + "z/inner", "inner");
  HeldFile holder(source_ + "b", "rb+");
  ASSERT_TRUE(holder.held());
  std::string lines = packSource();

  EXPECT_EQ(errorText(result_), "Datei konnte nicht ge\xF6" "ffnet werden.");
  EXPECT_TRUE(pausedAfter(lines, "Datei: b Bytes: 1\n")) << lines;
  // Everything listed before the held file is packed, nothing after it.
  std::vector<std::string> expected;
  for (const std::string& name : listingOrder(source_)) {
    if (name == "b") break;
    expected.push_back(name);
    if (name == "z") expected.push_back("z\\inner");
  }
  VeskError parsed;
  EXPECT_EQ(storedNames(archive_, &parsed), expected);
  EXPECT_EQ(parsed.failed, 0);
}

TEST_F(PackerTest, ArchiveThatCannotBeCreatedPausesAndFails) {
  archive_ = path("missing/out.vsk");
  writeFile(source_ + "x", "x");
  EXPECT_TRUE(pausedAfter(packSource(), ""));
  EXPECT_EQ(errorText(result_), "Datei konnte nicht ge\xF6" "ffnet werden.");
  EXPECT_EQ(result_.length, 35);
}

TEST_F(PackerTest, ArchiveHeldElsewhereIsNeitherCreatedNorTruncated) {
  writeFile(archive_, "someone else's");
  HeldFile holder(archive_, "rb");
  ASSERT_TRUE(holder.held());
  packSource();
  EXPECT_EQ(result_.failed, 1);
  EXPECT_EQ(readFile(archive_), "someone else's");
}

TEST_F(PackerTest, MissingSourceGivesTheEndRecordAndAFailure) {
  source_ = path("nowhere/");
  EXPECT_EQ(packSource(), "");
  EXPECT_EQ(errorText(result_), "Datei konnte nicht ge\xF6" "ffnet werden.");
  EXPECT_EQ(readFile(archive_), ArchiveBuilder().end().bytes());
}

TEST_F(PackerTest, SourceWithoutSeparatorIsJoinedAsItStands) {
  makeDirectory(path("data"));
  writeFile(path("database.txt"), "db");
  // The pattern "<root>data*" lists the parent's entries that begin with
  // "data", and each is then looked for at "<root>data" + name.
  source_ = path("data");
  std::string lines = packSource();
  EXPECT_NE(lines.find("Datei: database.txt Bytes: 2\n"), std::string::npos);
  EXPECT_EQ(errorText(result_), "Datei konnte nicht ge\xF6" "ffnet werden.");
  VeskError parsed;
  auto names = storedNames(archive_, &parsed);
  EXPECT_EQ(parsed.failed, 0);
  EXPECT_TRUE(names.empty() || names == std::vector<std::string>{"data"});
}

// A file that shrinks or grows between its listing and its reading.
class DataCopy : public ScratchTest {};

TEST_F(DataCopy, SizeAndDataAlwaysAgree) {
  struct Case {
    std::string content;
    int64_t announced;
    std::string records;
    bool reported;
    // Where the data begins in the archive: behind a header it begins no
    // page, as in a real archive.
    size_t at = 0;
  };
  const std::string mebibyte(size_t{1} << 20, 'm');
  const Case cases[] = {
      {"", 0, std::string(128, '\0'), false},
      {std::string(128, 'a'), 128, std::string(128, 'a'), false},
      {std::string(129, 'a'), 129, std::string(129, 'a') + std::string(127, '\0'), false},
      {"shrunk", 300, "shrunk" + std::string(384 - 6, '\0'), true},
      {"grown beyond", 5, "grown" + std::string(123, '\0'), true},
      {std::string(70000, 'g'), 65600, std::string(65600, 'g') + std::string(64, '\0'), true},
      {std::string(65536, 'c'), 65536, std::string(65536, 'c'), false},
      {std::string(65537, 'c'), 65536, std::string(65536, 'c'), true},
      // Large enough for the kernel's copy, which begins a page here.
      {std::string(300000, 'k'), 300000, std::string(300000, 'k') + std::string(32, '\0'), false},
      {std::string(300000, 'k'), 400000, std::string(300000, 'k') + std::string(100000, '\0'), true},
      {std::string(400000, 'k'), 300000, std::string(300000, 'k') + std::string(32, '\0'), true},
      // Where it doesn't: chunks of memory, a whole number and one byte past.
      {mebibyte, 1 << 20, mebibyte, false, 128},
      {mebibyte + "x", 1 << 20, mebibyte, true, 128},
      {std::string(300000, 'k'), 400000, std::string(300000, 'k') + std::string(100000, '\0'), true, 128},
  };
  for (const auto& c : cases) {
    writeFile(path("source"), c.content);
    std::unique_ptr<vesk::File> source = vesk::Env::Default()->openFile(path("source"), "rb");
    ASSERT_NE(source, nullptr);
    FILE* archive = std::tmpfile();
    const std::string header(c.at, 'h');
    std::fwrite(header.data(), 1, header.size(), archive);
    VeskError result = vesk::copyFileData(*source, archive, c.announced);
    std::string written(static_cast<size_t>(std::ftell(archive)), '\0');
    std::rewind(archive);
    ASSERT_EQ(std::fread(written.data(), 1, written.size(), archive), written.size());
    EXPECT_EQ(written, header + c.records) << c.announced << " at " << c.at;
    EXPECT_EQ(result.failed, c.reported ? 1 : 0) << c.announced << " at " << c.at;
    std::fclose(archive);
  }
}

// Large files one after another on the archive's own stream, each moving
// as its place in the pages decides: into a page, by the kernel, after
// bytes that went past the stream's buffer.
TEST_F(DataCopy, LargeFilesInARowLandWhereTheyBelong) {
  auto content = [](size_t size, int seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i + seed) % 251);
    return bytes;
  };
  const std::string first = content(300000, 1), second = content((1 << 20) + 5, 2),
                    third = content(300000, 3);
  FILE* archive = std::tmpfile();
  std::vector<char> buffer;
  vesk::bufferArchive(archive, buffer);
  std::string expected;
  auto copy = [&](const std::string& bytes) {
    writeFile(path("source"), bytes);
    std::unique_ptr<vesk::File> source = vesk::Env::Default()->openFile(path("source"), "rb");
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(vesk::copyFileData(*source, archive, static_cast<int64_t>(bytes.size())).failed, 0);
    expected += bytes + std::string((128 - bytes.size() % 128) % 128, '\0');
  };
  copy(first);   // begins a page
  copy(second);  // begins none
  const std::string pad(4096 - expected.size() % 4096, 'p');
  std::fwrite(pad.data(), 1, pad.size(), archive);
  expected += pad;
  copy(third);  // begins a page again
  ASSERT_EQ(std::fflush(archive), 0);
  std::rewind(archive);
  std::string written(expected.size() + 1, '\0');
  written.resize(std::fread(&written[0], 1, written.size(), archive));
  EXPECT_TRUE(written == expected) << written.size() << " bytes, not " << expected.size();
  std::fclose(archive);
}

}  // namespace
}  // namespace vesk_test
