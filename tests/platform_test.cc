#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include "env.h"
#include "test_support.h"

namespace vesk_test {
namespace {

using vesk::EntryKind;
using vesk::Env;

class PlatformTest : public ScratchTest {
 protected:
  Env* env_ = Env::Default();

  std::vector<std::string> list(const std::string& pattern) {
    std::vector<std::string> names;
    auto listing = env_->listDirectory(pattern);
    if (listing == nullptr) return {"<none>"};
    vesk::DirEntry entry;
    while (listing->next(&entry)) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(PlatformTest, ListingMatchesTheWildcardOfTheLastComponent) {
  for (const char* name : {"abc", "abd", "b.txt", "a.txt.bak", "xyz", ".dot"}) {
    writeFile(path(name), "");
  }
  using Names = std::vector<std::string>;
  const std::pair<std::string, Names> cases[] = {
      {"*", {".", "..", ".dot", "a.txt.bak", "abc", "abd", "b.txt", "xyz"}},
      {"ab?", {"abc", "abd"}},
      {"a*", {"a.txt.bak", "abc", "abd"}},
      {"*.txt", {"b.txt"}},
      {"*.txt*", {"a.txt.bak", "b.txt"}},
      {"x?z", {"xyz"}},
      {"?", {"."}},
      {"abc", {"abc"}},
      {"q*", {}},
  };
  for (const auto& [wildcard, names] : cases) EXPECT_EQ(list(root_ + wildcard), names) << wildcard;
  EXPECT_EQ(list(root_ + "nowhere/*"), Names{"<none>"});
}

TEST_F(PlatformTest, ListingTellsKindAndSize) {
  writeFile(path("file"), std::string(1000, 'x'));
  makeDirectory(path("dir"));
  mkfifo(path("fifo").c_str(), 0600);
  symlink("file", path("link-to-file").c_str());
  symlink("dir", path("link-to-dir").c_str());
  symlink("missing", path("dangling").c_str());
  const std::pair<std::string, std::pair<EntryKind, uint64_t>> expected[] = {
      {"file", {EntryKind::kFile, 1000}},
      {"dir", {EntryKind::kDirectory, 0}},
      {"fifo", {EntryKind::kUnsupported, 0}},
      {"link-to-file", {EntryKind::kFile, 1000}},
      {"link-to-dir", {EntryKind::kUnsupported, 0}},
      {"dangling", {EntryKind::kUnsupported, 0}},
  };
  for (const auto& [name, kindAndSize] : expected) {
    auto listing = env_->listDirectory(root_ + name);
    vesk::DirEntry entry;
    ASSERT_TRUE(listing->next(&entry)) << name;
    EXPECT_EQ(entry.kind, kindAndSize.first) << name;
    EXPECT_EQ(entry.sizeKnown ? entry.size : listing->sizeOf(entry), kindAndSize.second) << name;
  }
}

TEST_F(PlatformTest, StreamsNeverOpenAFifo) {
  mkfifo(path("fifo").c_str(), 0600);
  for (const char* mode : {"rb", "wb", "rb+", "wb+"}) {
    EXPECT_EQ(env_->openStream(path("fifo"), mode), nullptr) << mode;
  }
}

TEST_F(PlatformTest, DescriptorsAvoidTheStandardNumbersAndCloseOnExec) {
  writeFile(path("f"), "x");
  int status = runInChild([&] {
    close(STDIN_FILENO);
    close(STDOUT_FILENO);
    close(STDERR_FILENO);
    FILE* stream = Env::Default()->openStream(path("f"), "rb");
    FILE* written = Env::Default()->openStream(path("g"), "wb");
    auto listing = Env::Default()->listDirectory(root_ + "*");
    if (stream == nullptr || written == nullptr || listing == nullptr) return 1;
    for (int fd : {fileno(stream), fileno(written)}) {
      if (fd <= STDERR_FILENO || (fcntl(fd, F_GETFD) & FD_CLOEXEC) == 0) return 2;
    }
    // The listing's descriptor is the next one free: not 0, 1 or 2 either.
    int probe = open("/dev/null", O_RDONLY);
    return probe == 0 ? 0 : 3;
  });
  EXPECT_EQ(status, 0);
}

TEST_F(PlatformTest, CreatedDirectoriesFollowTheUmask) {
  env_->createDirectory(path("made"));
  env_->createDirectory(path("made"));  // exists already: ignored
  env_->createDirectory(path("no/such/parent"));
  struct stat st;
  ASSERT_EQ(stat(path("made").c_str(), &st), 0);
  mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0777 & ~mask);
  EXPECT_FALSE(exists(path("no")));
}

TEST_F(PlatformTest, PauseReturnsOnEndedInput) {
  EXPECT_EQ(captureStdout([&] { env_->pause(); }), "Weiter mit einer beliebigen Taste . . . \n");
  // Also when standard input is closed altogether.
  int status = runInChild([] {
    close(STDIN_FILENO);
    Env::Default()->pause();
    return 0;
  });
  EXPECT_EQ(status, 0);
}

// Progress is held back in blocks unless a terminal shows it.
TEST_F(PlatformTest, OutputTraitsTellTerminalsPipesAndFiles) {
  int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(grantpt(terminal), 0);
  ASSERT_EQ(unlockpt(terminal), 0);
  const std::string terminalPath = ptsname(terminal);
  const std::string filePath = path("out");
  int status = runInChild([&] {
    auto traitsOf = [](int fd) {
      dup2(fd, STDOUT_FILENO);
      close(fd);
      return Env::Default()->outputTraits();
    };
    vesk::OutputTraits traits = traitsOf(open(terminalPath.c_str(), O_WRONLY | O_NOCTTY));
    if (!traits.interactive || traits.canBreak) return 1;
    int fds[2];
    if (pipe(fds) != 0) return 2;
    traits = traitsOf(fds[1]);
    if (traits.interactive || !traits.canBreak) return 3;
    traits = traitsOf(open(filePath.c_str(), O_WRONLY | O_CREAT, 0600));
    if (traits.interactive || traits.canBreak) return 4;
    return 0;
  });
  close(terminal);
  EXPECT_EQ(status, 0);
}

TEST_F(PlatformTest, OutputToAVanishedReaderIsDroppedQuietly) {
  int status = runInChild([] {
    int fds[2];
    if (pipe(fds) != 0) return 1;
    close(fds[0]);
    dup2(fds[1], STDOUT_FILENO);
    if (!Env::Default()->outputTraits().canBreak) return 2;
    Env::Default()->writeOutput("lost\n", 5, true);
    close(STDOUT_FILENO);
    Env::Default()->writeOutput("lost\n", 5, Env::Default()->outputTraits().canBreak);
    return 0;
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace vesk_test
