// Calls at the same time: threads of one host, and processes side by side.
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <sstream>
#include <thread>

#include "VeskSound.h"
#include "sound_fixture.h"

namespace vesk_test {
namespace {

class ConcurrencyTest : public SoundExtractTest {
 protected:
  // A tree of files with distinct names and contents.
  void makeTree(const std::string& root, int files) {
    makeDirectory(root + "inner");
    for (int i = 0; i < files; ++i) {
      writeFile(root + (i % 2 ? "inner/" : "") + "file" + std::to_string(i),
                std::string(static_cast<size_t>(i * 37 % 700), static_cast<char>('a' + i % 26)));
    }
  }

  // Runs each body in a process of its own, all at once; their exit statuses.
  std::vector<int> inProcesses(const std::vector<std::function<int()>>& bodies) {
    std::vector<pid_t> children;
    std::fflush(stdout);
    for (const auto& body : bodies) {
      pid_t pid = fork();
      if (pid == 0) _exit(body());
      children.push_back(pid);
    }
    std::vector<int> statuses;
    for (pid_t pid : children) {
      int status = 0;
      waitpid(pid, &status, 0);
      statuses.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    return statuses;
  }
};

TEST_F(ConcurrencyTest, EightThreadsExtractTheirOwnArchivesAtOnce) {
  for (int i = 0; i < 8; ++i) {
    ArchiveBuilder()
        .directory("album")
        .file("album\\track" + std::to_string(i) + ".mp3", std::string(5000 + i, static_cast<char>('0' + i)))
        .end()
        .writeTo(path("a" + std::to_string(i) + ".vsk"));
  }
  std::vector<std::string> folders(8);
  captureStdout([&] {
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
      threads.emplace_back([&, i] { folders[i] = VeskSound_extract(path("a" + std::to_string(i) + ".vsk").c_str()); });
    }
    for (auto& thread : threads) thread.join();
  });
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(folders[i], folder("138368438"));
    EXPECT_EQ(readFile(folder("138368438") + "album/track" + std::to_string(i) + ".mp3"),
              std::string(5000 + i, static_cast<char>('0' + i)));
  }
}

TEST_F(ConcurrencyTest, FourProcessesPackFourTreesAtOnce) {
  std::vector<std::function<int()>> packers;
  for (int i = 0; i < 4; ++i) {
    const std::string tree = path("tree" + std::to_string(i) + "/");
    makeTree(tree, 50 + i);
    packers.push_back([this, tree, i] { return pack(tree, path("t" + std::to_string(i) + ".vsk")).failed; });
  }
  std::vector<int> statuses;
  captureStdout([&] { statuses = inProcesses(packers); });
  EXPECT_EQ(statuses, std::vector<int>(4, 0));
  for (int i = 0; i < 4; ++i) {
    const std::string out = path("out" + std::to_string(i) + "/");
    makeDirectory(out);
    EXPECT_EQ(extract(path("t" + std::to_string(i) + ".vsk"), out).failed, 0);
    EXPECT_EQ(treeListing(out), treeListing(path("tree" + std::to_string(i))));
  }
}

TEST_F(ConcurrencyTest, TwoProcessesExtractOneArchiveAtOnce) {
  makeTree(path("tree/"), 200);
  captureStdout([&] { ASSERT_EQ(pack(path("tree/"), path("t.vsk")).failed, 0); });
  makeDirectory(path("one"));
  makeDirectory(path("two"));
  std::vector<int> statuses = inProcesses({
      [this] { return extract(path("t.vsk"), path("one/")).failed; },
      [this] { return extract(path("t.vsk"), path("two/")).failed; },
  });
  EXPECT_EQ(statuses, (std::vector<int>{0, 0}));
  EXPECT_EQ(treeListing(path("one")), treeListing(path("tree")));
  EXPECT_EQ(treeListing(path("two")), treeListing(path("tree")));
}

// Processes and threads printing to one pipe: every line arrives whole.
TEST_F(ConcurrencyTest, ProgressLinesAreNeverTorn) {
  const int kTrees = 4, kFiles = 300;
  for (int i = 0; i < kTrees; ++i) makeTree(path("tree" + std::to_string(i) + "/"), kFiles);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::fflush(stdout);
  pid_t reader = fork();
  if (reader == 0) {
    // Drains the pipe into a file, so the writers never wait for a reader.
    close(fds[1]);
    FILE* sink = std::fopen(path("lines.txt").c_str(), "wb");
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) std::fwrite(buffer, 1, static_cast<size_t>(n), sink);
    std::fclose(sink);
    _exit(0);
  }
  close(fds[0]);
  int saved = dup(STDOUT_FILENO);
  dup2(fds[1], STDOUT_FILENO);
  close(fds[1]);
  std::vector<std::function<int()>> writers;
  for (int i = 0; i < kTrees; ++i) {
    writers.push_back([this, i] {
      // Two threads in each process, packing the same tree.
      const std::string tree = path("tree" + std::to_string(i) + "/");
      std::thread other([&] { pack(tree, path("x" + std::to_string(i) + ".vsk")); });
      pack(tree, path("y" + std::to_string(i) + ".vsk"));
      other.join();
      return 0;
    });
  }
  std::vector<int> statuses = inProcesses(writers);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  waitpid(reader, nullptr, 0);
  EXPECT_EQ(statuses, std::vector<int>(kTrees, 0));

  std::istringstream lines(readFile(path("lines.txt")));
  const std::regex whole(R"((ordner: inner)|(Datei: (inner\\)?file\d+ Bytes: \d+))");
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    ++count;
    EXPECT_TRUE(std::regex_match(line, whole)) << line;
  }
  EXPECT_EQ(count, kTrees * 2 * (kFiles + 1));
}

}  // namespace
}  // namespace vesk_test
