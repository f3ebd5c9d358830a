#include "test_support.h"

#include <fcntl.h>
#if defined(_WIN32)
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "env.h"

namespace fs = std::filesystem;

namespace vesk_test {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

bool exists(const std::string& path) {
  std::error_code ignored;
  return fs::symlink_status(path, ignored).type() != fs::file_type::not_found;
}

void makeDirectory(const std::string& path) { fs::create_directories(path); }

std::vector<std::string> treeListing(const std::string& root) {
  std::vector<std::string> lines;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    std::string name = fs::relative(item.path(), root).generic_string();
    if (item.is_directory()) {
      lines.push_back("d " + name);
    } else {
      lines.push_back("f " + name + " " + readFile(item.path().string()));
    }
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

ArchiveBuilder& ArchiveBuilder::header(const std::string& tag, const std::string& size,
                                       const std::string& name) {
  std::string record(128, '\0');
  record.replace(0, std::min<size_t>(tag.size(), 8), tag.substr(0, 8));
  record.replace(8, std::min<size_t>(size.size(), 20), size.substr(0, 20));
  record.replace(28, std::min<size_t>(name.size(), 100), name.substr(0, 100));
  bytes_ += record;
  return *this;
}

ArchiveBuilder& ArchiveBuilder::file(const std::string& name, const std::string& content) {
  header("file", std::to_string(content.size()), name);
  return data(content.empty() ? std::string(128, '\0') : content);
}

ArchiveBuilder& ArchiveBuilder::data(const std::string& bytes) {
  bytes_ += bytes;
  bytes_.append((128 - bytes.size() % 128) % 128, '\0');
  return *this;
}

ArchiveBuilder& ArchiveBuilder::raw(const std::string& bytes) {
  bytes_ += bytes;
  return *this;
}

namespace {

// A name no other test process or call uses.
std::string uniqueName(const std::string& stem) {
  static std::atomic<int> counter{0};
  // Process numbers come round again (quickly under Wine): a token drawn
  // once per process keeps names apart from what an earlier one left.
  static const unsigned token = std::random_device{}();
  return stem + std::to_string(getpid()) + "-" + std::to_string(token) + "-" + std::to_string(counter++);
}

}  // namespace

bool pausedAfter(const std::string& output, const std::string& line) {
  size_t at = output.find(line);
  if (at == std::string::npos) return false;
#if defined(_WIN32)
  return output.size() > at + line.size();
#else
  static const std::string kPrompt = "Weiter mit einer beliebigen Taste . . . \n";
  return output.compare(at + line.size(), kPrompt.size(), kPrompt) == 0;
#endif
}

const std::string& scratchBase() {
  static const std::string base = fs::temp_directory_path().string();
  return base;
}

std::string captureStdout(const std::function<void()>& body) {
  std::fflush(stdout);
  const std::string name = (fs::path(scratchBase()) / uniqueName("vesk-stdout-")).string();
  #if !defined(O_BINARY)
#define O_BINARY 0
#endif
  int capture = open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_BINARY, 0600);
  int saved = dup(1);
  dup2(capture, 1);
  body();
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  close(capture);
  std::string text = readFile(name);
  std::remove(name.c_str());
#if defined(_WIN32)
  // Standard output is in text mode there: each "\n" went out as "\r\n".
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
#endif
  return text;
}

#if defined(_WIN32)

// Windows' sharing holds between two opens in one process, so the holder
// needs no process of its own.
HeldFile::HeldFile(const std::string& path, const char* mode)
    : stream_(vesk::Env::Default()->openStream(path, mode)), held_(stream_ != nullptr) {}

HeldFile::~HeldFile() {
  if (stream_ != nullptr) std::fclose(stream_);
}

#else

int runInChild(const std::function<int()>& body) {
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

HeldFile::HeldFile(const std::string& path, const char* mode) {
  int ready[2], release[2];
  if (pipe(ready) != 0 || pipe(release) != 0) return;
  std::fflush(stdout);
  pid_ = fork();
  if (pid_ == 0) {
    close(ready[0]);
    close(release[1]);
    FILE* stream = vesk::Env::Default()->openStream(path, mode);
    char answer = stream != nullptr ? 'y' : 'n';
    if (write(ready[1], &answer, 1) != 1) _exit(1);
    char ignored;
    while (read(release[0], &ignored, 1) > 0) {
    }
    _exit(0);
  }
  close(ready[1]);
  close(release[0]);
  release_ = release[1];
  char answer = 'n';
  held_ = read(ready[0], &answer, 1) == 1 && answer == 'y';
  close(ready[0]);
}

HeldFile::~HeldFile() {
  if (release_ >= 0) close(release_);
  if (pid_ > 0) waitpid(pid_, nullptr, 0);
}

#endif

TemporaryDirectoryOverride::TemporaryDirectoryOverride(const std::string& directory) {
  const char* old = std::getenv(kVariable);
  hadOld_ = old != nullptr;
  if (hadOld_) old_ = old;
  set(directory);
}

TemporaryDirectoryOverride::~TemporaryDirectoryOverride() {
  if (hadOld_) {
    set(old_);
  } else {
#if defined(_WIN32)
    _putenv_s(kVariable, "");
#else
    unsetenv(kVariable);
#endif
  }
}

void TemporaryDirectoryOverride::set(const std::string& directory) {
#if defined(_WIN32)
  _putenv_s(kVariable, directory.c_str());
#else
  setenv(kVariable, directory.c_str(), 1);
#endif
}

VeskError pack(const std::string& source, const std::string& archive) {
  std::string sourceText = source, archiveText = archive;
  return VeskPack().pack(sourceText.data(), archiveText.data());
}

VeskError extract(const std::string& archive, const std::string& prefix,
                  const std::string& filter, bool verbose) {
  std::string archiveText = archive, filterText = filter;
  return VeskPack().extract(archiveText.data(), prefix.c_str(), filterText.data(), verbose);
}

std::string errorText(const VeskError& error) {
  return std::string(error.text, static_cast<size_t>(error.length));
}

void ScratchTest::SetUp() {
  fs::path root = fs::path(scratchBase()) / uniqueName("vesk-test-");
  ASSERT_TRUE(fs::create_directory(root));
  root_ = root.string() + vesk::Env::Default()->separator();
}

void ScratchTest::TearDown() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

}  // namespace vesk_test
