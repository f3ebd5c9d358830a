#include <algorithm>
#include <filesystem>

#include "test_support.h"

namespace vesk_test {
namespace {

const char kOpenFailed[] = "Datei konnte nicht ge\xF6" "ffnet werden.";
const char kDamaged[] = "Archiv ist besch\xE4" "digt.";

class ExtractorTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    archive_ = path("archive.vsk");
    out_ = path("out/");
    makeDirectory(out_);
  }

  // Extracts archive_ into out_ and returns the progress lines.
  std::string run(const ArchiveBuilder& archive, const std::string& filter = "*",
                  const std::string& prefix = "") {
    archive.writeTo(archive_);
    return captureStdout(
        [&] { result_ = extract(archive_, prefix.empty() ? out_ : prefix, filter, true); });
  }

  std::vector<std::string> extracted() { return treeListing(out_); }

  std::string archive_, out_;
  VeskError result_{};
};

ArchiveBuilder workedExample() {
  return ArchiveBuilder().file("a.mp3", std::string(200, 'a')).directory("sub").file("sub\\b.txt", "").end();
}

TEST_F(ExtractorTest, WorkedExample) {
  EXPECT_EQ(run(workedExample()),
            "Datei: a.mp3 Size: 200 Bytes\nOrdner: sub\nDatei: sub\\b.txt Size: 0 Bytes\n");
  EXPECT_EQ(result_.failed, 0);
  EXPECT_STREQ(result_.text, "");
  EXPECT_EQ(extracted(),
            (std::vector<std::string>{"d sub", "f a.mp3 " + std::string(200, 'a'), "f sub/b.txt "}));
}

TEST_F(ExtractorTest, PrefixWithoutSeparatorIsJoinedAsItStands) {
  run(workedExample(), "*", path("out"));
  EXPECT_EQ(result_.failed, 0);
  EXPECT_EQ(readFile(path("outa.mp3")), std::string(200, 'a'));
  EXPECT_EQ(readFile(path("outsub/b.txt")), "");
}

TEST_F(ExtractorTest, FilterSelectsBySubstringOfTheWholeStoredName) {
  const std::vector<std::string> names = {"a.mp3", "a.mp3.bak", "x.mp3\\readme.txt", "a.txt"};
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"*", names},
      {"*.mp3", names},
      {"", names},
      {".mp3", {"a.mp3", "a.mp3.bak", "x.mp3\\readme.txt"}},
      {".MP3", {}},
      {"txt", {"x.mp3\\readme.txt", "a.txt"}},
  };
  for (const auto& [filter, selected] : cases) {
    SCOPED_TRACE(filter);
    std::filesystem::remove_all(out_);
    makeDirectory(out_);
    ArchiveBuilder archive;
    archive.directory("x.mp3");
    for (const std::string& name : names) archive.file(name, name + " data");
    std::string lines = run(archive.end(), filter);
    EXPECT_EQ(result_.failed, 0);
    // Every file record gets its line, selected or not.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 5);
    std::vector<std::string> expected = {"d x.mp3"};
    for (const std::string& name : selected) {
      std::string local = name;
      std::replace(local.begin(), local.end(), '\\', '/');
      expected.push_back("f " + local + " " + name + " data");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(extracted(), expected);
  }
}

TEST_F(ExtractorTest, SizesDecideHowManyRecordsAreData) {
  const std::pair<std::string, std::string> cases[] = {
      {"0", ""}, {"", ""}, {"abc", ""}, {"128", std::string(128, 'q')}, {"129", std::string(129, 'q')}};
  for (const auto& [sizeText, content] : cases) {
    SCOPED_TRACE(sizeText);
    ArchiveBuilder archive;
    archive.header("file", sizeText, "f").data(content.empty() ? std::string(128, 'q') : content);
    // What follows the data is read as a header again.
    archive.file("next", "n").end();
    run(archive);
    EXPECT_EQ(result_.failed, 0);
    EXPECT_EQ(readFile(out_ + "f"), content);
    EXPECT_EQ(readFile(out_ + "next"), "n");
  }
}

TEST_F(ExtractorTest, PositionNotContentTellsDataFromHeaders) {
  std::string lookalike = ArchiveBuilder().end().bytes();
  lookalike.replace(0, 4, "file");
  ArchiveBuilder archive;
  archive.header("file", "256", "f").raw(lookalike).raw(ArchiveBuilder().end().bytes());
  archive.end().file("after-end", "never").raw("trailing junk");
  run(archive);
  EXPECT_EQ(result_.failed, 0);
  EXPECT_EQ(readFile(out_ + "f"), lookalike + ArchiveBuilder().end().bytes());
  EXPECT_FALSE(exists(out_ + "after-end"));
}

TEST_F(ExtractorTest, UnrecognisedHeadersAreSkippedAndDirectoriesIgnoreTheFilter) {
  ArchiveBuilder archive;
  archive.header("nothing", "", "junk").directory("music").directory("docs");
  archive.file("music\\s.mp3", "song").file("docs\\d.txt", "text").end();
  std::string lines = run(archive, ".mp3");
  EXPECT_EQ(result_.failed, 0);
  EXPECT_EQ(extracted(), (std::vector<std::string>{"d docs", "d music", "f music/s.mp3 song"}));
  EXPECT_EQ(lines,
            "Ordner: music\nOrdner: docs\nDatei: music\\s.mp3 Size: 4 Bytes\n"
            "Datei: docs\\d.txt Size: 4 Bytes\n");
}

TEST_F(ExtractorTest, ALaterEntryOfTheSameNameReplacesTheEarlier) {
  run(ArchiveBuilder().file("twice", std::string(300, '1')).file("twice", "2").end());
  EXPECT_EQ(readFile(out_ + "twice"), "2");
}

TEST_F(ExtractorTest, EmptyArchivesAndLoneEndRecord) {
  run(ArchiveBuilder().end());
  EXPECT_EQ(result_.failed, 0);
  // Without its end record an archive is cut short, also when it is empty.
  for (const std::string& bytes : {std::string(), std::string(100, '\0')}) {
    EXPECT_EQ(run(ArchiveBuilder().raw(bytes)), "");
    EXPECT_EQ(errorText(result_), kDamaged);
  }
  EXPECT_TRUE(extracted().empty());
}

TEST_F(ExtractorTest, ArchiveCutShortKeepsWholeRecordsAndFails) {
  const std::string content = std::string(128, 'a') + std::string(128, 'b') + "cc";
  const std::string whole = ArchiveBuilder().file("f", content).end().bytes();
  const std::pair<size_t, std::string> cuts[] = {
      {128, ""},                        // header alone
      {128 + 100, ""},                  // inside the first data record
      {256, std::string(128, 'a')},     // after the first data record
      {384 + 72, std::string(128, 'a') + std::string(128, 'b')},
      {512, content},                   // the end record is missing
  };
  for (const auto& [length, kept] : cuts) {
    SCOPED_TRACE(length);
    run(ArchiveBuilder().raw(whole.substr(0, length)));
    EXPECT_EQ(errorText(result_), kDamaged);
    EXPECT_EQ(readFile(out_ + "f"), kept);
  }
}

// Files of a few hundred KiB move in bulk; cut short, they keep whole records.
TEST_F(ExtractorTest, LargeFilesMoveInBulkAndStillStopWhereTheArchiveEnds) {
  std::string big(1048576 + 5, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
  const std::string skipped(600000, 's');
  ArchiveBuilder archive;
  archive.file("big.mp3", big).file("skipped.txt", skipped).file("after.mp3", "after").end();
  run(archive, ".mp3");
  EXPECT_EQ(result_.failed, 0);
  EXPECT_EQ(readFile(out_ + "big.mp3"), big);
  EXPECT_EQ(readFile(out_ + "after.mp3"), "after");
  EXPECT_FALSE(exists(out_ + "skipped.txt"));

  const size_t cut = 128 + 700000;  // inside big.mp3's data
  run(ArchiveBuilder().raw(archive.bytes().substr(0, cut)), ".mp3");
  EXPECT_EQ(errorText(result_), kDamaged);
  EXPECT_EQ(readFile(out_ + "big.mp3"), big.substr(0, (cut - 128) / 128 * 128));
}

TEST_F(ExtractorTest, DamagedHeaderStopsTheCall) {
  std::string unterminatedName = ArchiveBuilder().header("file", "1", std::string(100, 'n')).bytes();
  std::string unterminatedSize = ArchiveBuilder().header("file", std::string(20, '1'), "f").bytes();
  std::string unterminatedDirectory = ArchiveBuilder().header("ordner", "", std::string(100, 'd')).bytes();
  const std::pair<std::string, std::string> cases[] = {
      {"negative size", ArchiveBuilder().header("file", "-1", "neg").bytes()},
      {"name without terminator", unterminatedName},
      {"size without terminator", unterminatedSize},
      {"directory name without terminator", unterminatedDirectory},
  };
  for (const auto& [what, header] : cases) {
    SCOPED_TRACE(what);
    std::filesystem::remove_all(out_);
    makeDirectory(out_);
    ArchiveBuilder archive;
    archive.file("before", "b").raw(header).data("x").file("after", "a").end();
    run(archive);
    EXPECT_EQ(errorText(result_), kDamaged);
    EXPECT_EQ(extracted(), std::vector<std::string>{"f before b"});
  }
}

TEST_F(ExtractorTest, NamesLeadingOutsideAreRefusedAndTheRestExtracted) {
  const std::string names[] = {"..",           "..\\evil",  "a\\..\\..\\evil", "../evil",
                               "a/../../evil", "\\evil",    "/tmp/evil",       "C:evil",
                               "c:\\evil",     "a\\..",     "sub\\..\\..\\evil"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    std::filesystem::remove_all(path("out"));
    makeDirectory(out_ + "sub");
    ArchiveBuilder archive;
    archive.directory(name).file(name, std::string(300, 'e')).file("kept", "kept").end();
    std::string lines = run(archive);
    EXPECT_EQ(errorText(result_), kDamaged);
    EXPECT_EQ(lines, "Datei: kept Size: 4 Bytes\n");
    EXPECT_EQ(extracted(), (std::vector<std::string>{"d sub", "f kept kept"}));
    EXPECT_EQ(treeListing(root_).size(), 4u);  // the archive, out, out/sub and out/kept alone
  }
  EXPECT_FALSE(exists("/tmp/evil"));
}

TEST_F(ExtractorTest, OutputThatWontOpenStopsTheCall) {
  ArchiveBuilder archive;
  archive.file("first", "1").file("missing\\f", "x").file("later", "l").end();
  std::string lines = run(archive);
  EXPECT_EQ(errorText(result_), kOpenFailed);
  EXPECT_EQ(result_.length, 35);
  EXPECT_EQ(lines, "Datei: first Size: 1 Bytes\n");
  EXPECT_EQ(extracted(), std::vector<std::string>{"f first 1"});
}

TEST_F(ExtractorTest, MissingArchiveCreatesNothing) {
  VeskError result = extract(path("nowhere.vsk"), out_);
  EXPECT_EQ(errorText(result), kOpenFailed);
  EXPECT_TRUE(extracted().empty());
}

TEST_F(ExtractorTest, ArchiveIsOnlyReadAndSharedWithReaders) {
  workedExample().writeTo(archive_);
  {
    // Another reader at the same time does not stop us.
    HeldFile reader(archive_, "rb");
    ASSERT_TRUE(reader.held());
    EXPECT_EQ(extract(archive_, out_).failed, 0);
  }
  {
    HeldFile writer(archive_, "rb+");
    ASSERT_TRUE(writer.held());
    EXPECT_EQ(errorText(extract(archive_, out_)), kOpenFailed);
  }
  // Two calls in a row both succeed.
  EXPECT_EQ(extract(archive_, out_).failed, 0);
  EXPECT_EQ(extract(archive_, out_).failed, 0);
}

TEST_F(ExtractorTest, EntryWhoseDestinationIsTheArchiveItselfLeavesItIntact) {
  ArchiveBuilder archive;
  archive.file("archive.vsk", "overwrite").end();
  archive.writeTo(archive_);
  EXPECT_EQ(errorText(extract(archive_, root_)), kOpenFailed);
  EXPECT_EQ(readFile(archive_), archive.bytes());
}

TEST_F(ExtractorTest, QuietExtractionPrintsNothing) {
  workedExample().writeTo(archive_);
  EXPECT_EQ(captureStdout([&] { extract(archive_, out_, "*", false); }), "");
  EXPECT_EQ(extracted().size(), 3u);
}

}  // namespace
}  // namespace vesk_test
