// Packing what only POSIX systems have: FIFOs, links, names with "\\",
// resource limits and closed standard streams.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "packer_fixture.h"

namespace vesk_test {
namespace {

using PackerPosixTest = PackerTest;

// Each entry the format can't hold is left out and reported; the rest is
// packed, and a FIFO is never opened, so packing never blocks on one.
TEST_F(PackerPosixTest, EntriesTheFormatCannotHoldAreLeftOutAndReported) {
  const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> cases = {
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
    EXPECT_EQ(names, std::vector<std::string>{"kept"});
  }
}

// Its size is what counts, even where it is held and won't open: no pause,
// and the rest of the level is packed.
TEST_F(PackerPosixTest, FileTooLargeIsLeftOutEvenWhenItWontOpen) {
  FILE* big = std::fopen((source_ + "big").c_str(), "wb");
  ASSERT_EQ(ftruncate(fileno(big), 2147483648LL), 0);
  std::fclose(big);
  writeFile(source_ + "kept", "kept");
  HeldFile holder(source_ + "big", "rb+");
  ASSERT_TRUE(holder.held());
  EXPECT_EQ(packSource(), "Datei: kept Bytes: 4\n");
  EXPECT_EQ(errorText(result_), "Eintrag konnte nicht gepackt werden.");
  EXPECT_EQ(storedNames(archive_), std::vector<std::string>{"kept"});
}

TEST_F(PackerPosixTest, LinkToAFileIsPackedAsThatFile) {
  writeFile(path("target"), "through the link");
  ASSERT_EQ(symlink(path("target").c_str(), (source_ + "link").c_str()), 0);
  packSource();
  EXPECT_EQ(result_.failed, 0);
  EXPECT_EQ(readFile(archive_), ArchiveBuilder().file("link", "through the link").end().bytes());
}

TEST_F(PackerPosixTest, EmptySourcePacksTheCurrentDirectory) {
  writeFile(source_ + "here", "cwd");
  int status = runInChild([&] {
    if (chdir(source_.c_str()) != 0) return 2;
    return pack("", archive_).failed;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(archive_), ArchiveBuilder().file("here", "cwd").end().bytes());
}

TEST_F(PackerPosixTest, FullDiskIsReported) {
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

TEST_F(PackerPosixTest, ProgressNeverLandsInFilesWhenStandardOutputIsClosed) {
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

}  // namespace
}  // namespace vesk_test
