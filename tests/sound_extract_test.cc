#include <filesystem>
#include <thread>

#include "folder_number.h"
#include "sound_fixture.h"

namespace vesk_test {
namespace {

TEST(FolderNumber, FirstFiveOnAFreshThread) {
  std::vector<int32_t> numbers;
  onFreshThread([&] {
    for (int i = 0; i < 5; ++i) numbers.push_back(vesk::nextFolderNumber());
  });
  EXPECT_EQ(numbers, (std::vector<int32_t>{138368438, 141278443, 1450280096, -1321071923, -1941115385}));
}

TEST_F(SoundExtractTest, ExtractsTheSoundEntriesIntoAFreshFolder) {
  soundArchive().writeTo(path("sounds.vsk"));
  std::string lines;
  EXPECT_EQ(firstCall(path("sounds.vsk"), &lines), folder("138368438"));
  EXPECT_EQ(lines,
            "Datei: song.mp3 Size: 300 Bytes\nOrdner: intro\nDatei: intro\\theme.mp3 Size: 5 Bytes\n"
            "Datei: notes.txt Size: 5 Bytes\n");
  EXPECT_EQ(treeListing(temporary_), (std::vector<std::string>{
                                         "d 138368438",
                                         "d 138368438/intro",
                                         "f 138368438/intro/theme.mp3 theme",
                                         "f 138368438/song.mp3 " + std::string(300, 's'),
                                     }));
}

TEST_F(SoundExtractTest, EachCallOnAThreadTakesTheNextFolder) {
  soundArchive().writeTo(path("sounds.vsk"));
  std::vector<std::string> prefixes;
  captureStdout([&] {
    onFreshThread([&] {
      for (int i = 0; i < 5; ++i) prefixes.push_back(VeskSound_extract(path("sounds.vsk").c_str()));
    });
  });
  std::vector<std::string> expected;
  for (const char* number : {"138368438", "141278443", "1450280096", "-1321071923", "-1941115385"}) {
    expected.push_back(folder(number));
    EXPECT_EQ(readFile(temporary_ + number + "/intro/theme.mp3"), "theme");
  }
  EXPECT_EQ(prefixes, expected);
}

TEST_F(SoundExtractTest, TwoThreadsFirstCallsShareTheFirstFolder) {
  soundArchive().writeTo(path("sounds.vsk"));
  std::string first, second;
  captureStdout([&] {
    std::thread a([&] { first = VeskSound_extract(path("sounds.vsk").c_str()); });
    std::thread b([&] { second = VeskSound_extract(path("sounds.vsk").c_str()); });
    a.join();
    b.join();
  });
  EXPECT_EQ(first, folder("138368438"));
  EXPECT_EQ(second, first);
}

TEST_F(SoundExtractTest, AFolderLeftByAnEarlierRunIsReused) {
  soundArchive().writeTo(path("sounds.vsk"));
  makeDirectory(temporary_ + "138368438");
  writeFile(temporary_ + "138368438/song.mp3", "old and longer than the new one");
  EXPECT_EQ(firstCall(path("sounds.vsk")), folder("138368438"));
  EXPECT_EQ(readFile(temporary_ + "138368438/song.mp3"), std::string(300, 's'));
}

TEST_F(SoundExtractTest, WithNoAcceptableFolderNothingIsExtracted) {
  soundArchive().writeTo(path("sounds.vsk"));
  TemporaryDirectoryOverride missing(path("no-such-dir"));
  std::string prefix = firstCall(path("sounds.vsk"));
  EXPECT_EQ(prefix.rfind(path("no-such-dir") + separator_, 0), 0u);
  EXPECT_FALSE(exists(path("no-such-dir")));
}

TEST_F(SoundExtractTest, LongArchivePathIsUsedAsItStands) {
  std::string deep = path(std::string(120, 'l') + separator_ + std::string(60, 'm'));
  makeDirectory(deep);
  std::string archive = deep + separator_ + "sounds.vsk";
  ASSERT_GE(archive.size(), 200u);
  soundArchive().writeTo(archive);
  EXPECT_EQ(firstCall(archive), folder("138368438"));
  EXPECT_EQ(readFile(temporary_ + "138368438/song.mp3"), std::string(300, 's'));
}

TEST_F(SoundExtractTest, MissingArchiveLeavesTheEmptyFolder) {
  EXPECT_EQ(firstCall(path("missing.vsk")), folder("138368438"));
  EXPECT_EQ(treeListing(temporary_), std::vector<std::string>{"d 138368438"});
}

}  // namespace
}  // namespace vesk_test
