#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>

#include "archive_walker.h"
#include "data_copy.h"
#include "test_support.h"

namespace vesk_test {
namespace {

// The names of a directory in the order the system lists them.
std::vector<std::string> listingOrder(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = opendir(directory.c_str());
  while (const dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return names;
}

// The stored names of an archive's headers, in order, through the reader.
std::vector<std::string> storedNames(const std::string& archive, VeskError* result = nullptr) {
  struct Names : vesk::ArchiveVisitor {
    std::vector<std::string> names;
    void directory(const vesk::Header& h, vesk::Outcome&) override { names.emplace_back(h.name); }
    void beginFile(const vesk::Header& h, vesk::Outcome&) override { names.emplace_back(h.name); }
    void fileData(const char*, size_t) override {}
    void endFile(vesk::Outcome&) override {}
  } visitor;
  FILE* stream = std::fopen(archive.c_str(), "rb");
  vesk::Outcome outcome;
  vesk::walkArchive(stream, visitor, outcome);
  std::fclose(stream);
  if (result != nullptr) *result = outcome.result();
  return visitor.names;
}

class PackerTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    source_ = path("src/");
    makeDirectory(source_);
    archive_ = path("out.vsk");
  }

  // Packs source_ into archive_ and returns the progress lines.
  std::string packSource() {
    return captureStdout([&] { result_ = pack(source_, archive_); });
  }

  std::string source_, archive_;
  VeskError result_{};
};

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

// Each entry the format can't hold is left out and reported; the rest is packed.
TEST_F(PackerTest, EntriesTheFormatCannotHoldAreLeftOutAndReported) {
  const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> cases = {
      {"file name over 99 bytes", [](const std::string& s) { writeFile(s + std::string(100, 'n'), "x"); }},
      {"directory whose subtree has a long name",
       [](const std::string& s) {
         makeDirectory(s + std::string(60, 'd') + "/" + std::string(50, 'e'));
       }},
      {"name holding a backslash", [](const std::string& s) { writeFile(s + "a\\b", "x"); }},
      {"FIFO", [](const std::string& s) { ASSERT_EQ(mkfifo((s + "fifo").c_str(), 0600), 0); }},
      {"link to a directory", [](const std::string& s) { symlink(".", (s + "loop").c_str()); }},
      {"dangling link", [](const std::string& s) { symlink("nowhere", (s + "dangling").c_str()); }},
      {"file of 2 GiB",
       [](const std::string& s) {
         FILE* big = std::fopen((s + "big").c_str(), "wb");
         ASSERT_EQ(ftruncate(fileno(big), 2147483648LL), 0);
         std::fclose(big);
       }},
  };
  for (const auto& [what, plant] : cases) {
    SCOPED_TRACE(what);
    std::filesystem::remove_all(source_);
    makeDirectory(source_);
    writeFile(source_ + "kept", "kept");
    plant(source_);
    std::string lines = packSource();
    EXPECT_EQ(errorText(result_), "Eintrag konnte nicht gepackt werden.");
    EXPECT_EQ(lines.find("Datei: kept Bytes: 4\n") != std::string::npos, true);
    VeskError parsed;
    auto names = storedNames(archive_, &parsed);
    EXPECT_EQ(parsed.failed, 0);
    if (what.rfind("directory", 0) == 0) {
      // The directory goes with its subtree only when a name below overflows.
      EXPECT_EQ(names.size(), 2u);
    } else {
      EXPECT_EQ(names, std::vector<std::string>{"kept"});
    }
  }
}

TEST_F(PackerTest, LinkToAFileIsPackedAsThatFile) {
  writeFile(path("target"), "through the link");
  ASSERT_EQ(symlink(path("target").c_str(), (source_ + "link").c_str()), 0);
  packSource();
  EXPECT_EQ(result_.failed, 0);
  EXPECT_EQ(readFile(archive_), ArchiveBuilder().file("link", "through the link").end().bytes());
}

TEST_F(PackerTest, SourceFileHeldForWritingAbandonsTheLevelButKeepsTheArchiveReadable) {
  for (const char* name : {"a", "b", "c", "d"}) writeFile(source_ + name, name);
  makeDirectory(source_ + "z");
  writeFile(source_ + "z/inner", "inner");
  HeldFile holder(source_ + "b", "rb+");
  ASSERT_TRUE(holder.held());
  std::string lines = packSource();

  EXPECT_EQ(errorText(result_), "Datei konnte nicht ge\xF6" "ffnet werden.");
  EXPECT_NE(lines.find("Datei: b Bytes: 1\nWeiter mit einer beliebigen Taste . . . \n"),
            std::string::npos);
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
  EXPECT_EQ(packSource(), "Weiter mit einer beliebigen Taste . . . \n");
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

TEST_F(PackerTest, EmptySourcePacksTheCurrentDirectory) {
  writeFile(source_ + "here", "cwd");
  int status = runInChild([&] {
    if (chdir(source_.c_str()) != 0) return 2;
    return pack("", archive_).failed;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(archive_), ArchiveBuilder().file("here", "cwd").end().bytes());
}

TEST_F(PackerTest, FullDiskIsReported) {
  writeFile(source_ + "big", std::string(200000, 'b'));
  int status = runInChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = {65536, 65536};
    setrlimit(RLIMIT_FSIZE, &limit);
    VeskError result = pack(source_, archive_);
    return errorText(result) == "Datei konnte nicht geschrieben werden." ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
}

TEST_F(PackerTest, ProgressNeverLandsInFilesWhenStandardOutputIsClosed) {
  makeDirectory(source_ + "d");
  writeFile(source_ + "d/f", std::string(300, 'f'));
  std::string expected = ArchiveBuilder().directory("d").file("d\\f", std::string(300, 'f')).end().bytes();
  int status = runInChild([&] {
    close(STDOUT_FILENO);
    makeDirectory(path("x"));
    if (pack(source_, archive_).failed) return 1;
    return extract(archive_, path("x/"), "*", true).failed != 0 ? 2 : 0;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(path("x/d/f")), std::string(300, 'f'));
  EXPECT_EQ(readFile(archive_), expected);
}

// A file that shrinks or grows between its listing and its reading.
TEST(DataCopy, SizeAndDataAlwaysAgree) {
  struct Case {
    std::string content;
    int64_t announced;
    std::string records;
    bool reported;
  };
  const Case cases[] = {
      {"", 0, std::string(128, '\0'), false},
      {std::string(128, 'a'), 128, std::string(128, 'a'), false},
      {std::string(129, 'a'), 129, std::string(129, 'a') + std::string(127, '\0'), false},
      {"shrunk", 300, "shrunk" + std::string(384 - 6, '\0'), true},
      {"grown beyond", 5, "grown" + std::string(123, '\0'), true},
      {std::string(70000, 'g'), 65600, std::string(65600, 'g') + std::string(64, '\0'), true},
  };
  for (const auto& c : cases) {
    FILE* source = std::tmpfile();
    FILE* archive = std::tmpfile();
    std::fwrite(c.content.data(), 1, c.content.size(), source);
    std::rewind(source);
    VeskError result = vesk::copyFileData(source, archive, c.announced);
    std::string written(static_cast<size_t>(std::ftell(archive)), '\0');
    std::rewind(archive);
    ASSERT_EQ(std::fread(written.data(), 1, written.size(), archive), written.size());
    EXPECT_EQ(written, c.records) << c.announced;
    EXPECT_EQ(result.failed, c.reported ? 1 : 0) << c.announced;
    std::fclose(source);
    std::fclose(archive);
  }
}

}  // namespace
}  // namespace vesk_test
