#include "test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
    std::string name = fs::relative(item.path(), root).string();
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

std::string captureStdout(const std::function<void()>& body) {
  std::fflush(stdout);
  char name[] = "/tmp/vesk-stdout-XXXXXX";
  int capture = mkstemp(name);
  unlink(name);
  int saved = dup(STDOUT_FILENO);
  dup2(capture, STDOUT_FILENO);
  body();
  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  std::string text;
  char buffer[4096];
  ssize_t n;
  lseek(capture, 0, SEEK_SET);
  while ((n = read(capture, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  close(capture);
  return text;
}

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
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/vesk-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  root_ = pattern + "/";
}

void ScratchTest::TearDown() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

}  // namespace vesk_test
