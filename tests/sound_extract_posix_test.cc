// VeskSound_extract where POSIX gives others the means to plant folders,
// and a C host that loads the shared library with dlopen.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "sound_fixture.h"

namespace vesk_test {
namespace {

using SoundExtractPosixTest = SoundExtractTest;

TEST_F(SoundExtractPosixTest, TheFolderIsOnlyItsOwners) {
  soundArchive().writeTo(path("sounds.vsk"));
  firstCall(path("sounds.vsk"));
  struct stat st;
  ASSERT_EQ(stat((temporary_ + "138368438").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(SoundExtractPosixTest, FoldersPlantedByOthersArePassedOver) {
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
    EXPECT_EQ(firstCall(path("sounds.vsk")), folder("141278443"));
    EXPECT_EQ(readFile(temporary_ + "141278443/song.mp3"), std::string(300, 's'));
    EXPECT_TRUE(treeListing(path("elsewhere")).empty());
  }
}

// A host in C that loads the shared library with dlopen.
TEST_F(SoundExtractPosixTest, CHostLoadsTheLibraryAndFindsTheFiles) {
  soundArchive().writeTo(path("sounds.vsk"));
  // The host checks the folder itself: the sound files, every directory, and
  // nothing else.
  std::string command = std::string("\"") + VESK_C_HOST + "\" \"" + VESK_SHARED_LIBRARY + "\" \"" +
                        path("sounds.vsk") + "\" song.mp3 " + std::string(300, 's') +
                        " intro/ intro/theme.mp3 theme -notes.txt </dev/null";
  FILE* host = popen(command.c_str(), "r");
  ASSERT_NE(host, nullptr);
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, host) != nullptr) output += buffer;
  EXPECT_EQ(pclose(host), 0);
  const std::string sounds = folder("138368438");
  EXPECT_EQ(output.substr(output.rfind("folder: ")), "folder: " + sounds + "\n");
  EXPECT_EQ(readFile(sounds + "song.mp3"), std::string(300, 's'));
  EXPECT_EQ(readFile(sounds + "intro/theme.mp3"), "theme");
  EXPECT_FALSE(exists(sounds + "notes.txt"));
}

TEST_F(SoundExtractPosixTest, TemporaryDirectoryFallsBackToTmp) {
  unsetenv("TMPDIR");
  EXPECT_EQ(vesk::Env::Default()->temporaryDirectory(), "/tmp/");
  setenv("TMPDIR", "", 1);
  EXPECT_EQ(vesk::Env::Default()->temporaryDirectory(), "/tmp/");
  setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_EQ(vesk::Env::Default()->temporaryDirectory(), "/var/tmp/");
}

}  // namespace
}  // namespace vesk_test
