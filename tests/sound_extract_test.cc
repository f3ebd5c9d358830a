#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "VeskSound.h"
#include "env.h"
#include "folder_number.h"
#include "test_support.h"

namespace vesk_test {
namespace {

// Runs body on a thread of its own, whose generator starts afresh.
template <typename Body>
void onFreshThread(Body body) {
  std::thread thread(body);
  thread.join();
}

class SoundExtractTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    temporary_ = path("tmp/");
    makeDirectory(temporary_);
    const char* old = std::getenv("TMPDIR");
    oldTmpdir_ = old ? old : "";
    hadTmpdir_ = old != nullptr;
    setenv("TMPDIR", path("tmp").c_str(), 1);  // without its slash: one is added
  }
  void TearDown() override {
    if (hadTmpdir_) {
      setenv("TMPDIR", oldTmpdir_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
    ScratchTest::TearDown();
  }

  // The first call on a fresh thread, with what it printed.
  std::string firstCall(const std::string& archive, std::string* lines = nullptr) {
    std::string prefix;
    std::string printed = captureStdout([&] { onFreshThread([&] { prefix = VeskSound_extract(archive.c_str()); }); });
    if (lines != nullptr) *lines = printed;
    return prefix;
  }

  std::string temporary_, oldTmpdir_;
  bool hadTmpdir_ = false;
};

ArchiveBuilder soundArchive() {
  return ArchiveBuilder()
      .file("song.mp3", std::string(300, 's'))
      .directory("intro")
      .file("intro\\theme.mp3", "theme")
      .file("notes.txt", "notes")
      .end();
}

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
  EXPECT_EQ(firstCall(path("sounds.vsk"), &lines), temporary_ + "138368438/");
  EXPECT_EQ(lines,
            "Datei: song.mp3 Size: 300 Bytes\nOrdner: intro\nDatei: intro\\theme.mp3 Size: 5 Bytes\n"
            "Datei: notes.txt Size: 5 Bytes\n");
  EXPECT_EQ(treeListing(temporary_), (std::vector<std::string>{
                                         "d 138368438",
                                         "d 138368438/intro",
                                         "f 138368438/intro/theme.mp3 theme",
                                         "f 138368438/song.mp3 " + std::string(300, 's'),
                                     }));
  struct stat st;
  ASSERT_EQ(stat((temporary_ + "138368438").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
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
    expected.push_back(temporary_ + number + "/");
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
  EXPECT_EQ(first, temporary_ + "138368438/");
  EXPECT_EQ(second, first);
}

TEST_F(SoundExtractTest, AFolderLeftByAnEarlierRunIsReused) {
  soundArchive().writeTo(path("sounds.vsk"));
  mkdir((temporary_ + "138368438").c_str(), 0700);
  writeFile(temporary_ + "138368438/song.mp3", "old and longer than the new one");
  EXPECT_EQ(firstCall(path("sounds.vsk")), temporary_ + "138368438/");
  EXPECT_EQ(readFile(temporary_ + "138368438/song.mp3"), std::string(300, 's'));
}

TEST_F(SoundExtractTest, FoldersPlantedByOthersArePassedOver) {
  soundArchive().writeTo(path("sounds.vsk"));
  const std::string first = temporary_ + "138368438";
  makeDirectory(path("elsewhere"));
  const std::vector<std::pair<std::string, std::function<void()>>> plants = {
      {"link to a folder", [&] { symlink(path("elsewhere").c_str(), first.c_str()); }},
      {"folder of another owner",
       [&] {
         mkdir(first.c_str(), 0700);
         ASSERT_EQ(chown(first.c_str(), 65534, 65534), 0);
       }},
      {"folder others may write", [&] {
         mkdir(first.c_str(), 0700);
         chmod(first.c_str(), 0777);
       }},
      {"file", [&] { writeFile(first, ""); }},
  };
  for (const auto& [what, plant] : plants) {
    SCOPED_TRACE(what);
    std::filesystem::remove_all(temporary_);
    makeDirectory(temporary_);
    plant();
    EXPECT_EQ(firstCall(path("sounds.vsk")), temporary_ + "141278443/");
    EXPECT_EQ(readFile(temporary_ + "141278443/song.mp3"), std::string(300, 's'));
    EXPECT_TRUE(treeListing(path("elsewhere")).empty());
  }
}

TEST_F(SoundExtractTest, WithNoAcceptableFolderNothingIsExtracted) {
  soundArchive().writeTo(path("sounds.vsk"));
  setenv("TMPDIR", path("no-such-dir").c_str(), 1);
  std::string prefix = firstCall(path("sounds.vsk"));
  EXPECT_EQ(prefix.rfind(path("no-such-dir/"), 0), 0u);
  EXPECT_FALSE(exists(path("no-such-dir")));
}

TEST_F(SoundExtractTest, LongArchivePathIsUsedAsItStands) {
  std::string folder = path(std::string(120, 'l') + "/" + std::string(60, 'm'));
  makeDirectory(folder);
  std::string archive = folder + "/sounds.vsk";
  ASSERT_GE(archive.size(), 200u);
  soundArchive().writeTo(archive);
  EXPECT_EQ(firstCall(archive), temporary_ + "138368438/");
  EXPECT_EQ(readFile(temporary_ + "138368438/song.mp3"), std::string(300, 's'));
}

TEST_F(SoundExtractTest, MissingArchiveLeavesTheEmptyFolder) {
  EXPECT_EQ(firstCall(path("missing.vsk")), temporary_ + "138368438/");
  EXPECT_EQ(treeListing(temporary_), std::vector<std::string>{"d 138368438"});
}

// A host in C that loads the shared library with dlopen.
TEST_F(SoundExtractTest, CHostLoadsTheLibraryAndFindsTheFiles) {
  soundArchive().writeTo(path("sounds.vsk"));
  std::string command = std::string("\"") + VESK_C_HOST + "\" \"" + VESK_SHARED_LIBRARY + "\" \"" +
                        path("sounds.vsk") + "\" </dev/null";
  FILE* host = popen(command.c_str(), "r");
  ASSERT_NE(host, nullptr);
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, host) != nullptr) output += buffer;
  EXPECT_EQ(pclose(host), 0);
  const std::string folder = temporary_ + "138368438/";
  EXPECT_EQ(output.substr(output.rfind("folder: ")), "folder: " + folder + "\n");
  EXPECT_EQ(readFile(folder + "song.mp3"), std::string(300, 's'));
  EXPECT_EQ(readFile(folder + "intro/theme.mp3"), "theme");
  EXPECT_FALSE(exists(folder + "notes.txt"));
}

TEST_F(SoundExtractTest, TemporaryDirectoryFallsBackToTmp) {
  unsetenv("TMPDIR");
  EXPECT_EQ(vesk::Env::Default()->temporaryDirectory(), "/tmp/");
  setenv("TMPDIR", "", 1);
  EXPECT_EQ(vesk::Env::Default()->temporaryDirectory(), "/tmp/");
  setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_EQ(vesk::Env::Default()->temporaryDirectory(), "/var/tmp/");
}

}  // namespace
}  // namespace vesk_test
