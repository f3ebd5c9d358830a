// Env on POSIX systems. Sharing rules are flock locks: shared for reading,
// exclusive otherwise, never waited for.
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <pthread.h>
#include <signal.h>
#include <stdio_ext.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "env.h"

namespace vesk {
namespace {

// Wildcards of the last pattern component: "*" any run, "?" one character.
bool matchesWildcard(const char* pattern, const char* name) {
  const char* starPattern = nullptr;
  const char* starName = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      starPattern = ++pattern;
      starName = name;
    } else if (*pattern == '?' || *pattern == *name) {
      ++pattern;
      ++name;
    } else if (starPattern != nullptr) {
      pattern = starPattern;
      name = ++starName;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

class PosixDirListing : public DirListing {
 public:
  PosixDirListing(DIR* dir, std::string wildcard)
      : dir_(dir), wildcard_(std::move(wildcard)) {}
  ~PosixDirListing() override { closedir(dir_); }

  bool next(DirEntry* entry) override {
    while (const dirent* found = readdir(dir_)) {
      if (!matchesWildcard(wildcard_.c_str(), found->d_name)) continue;
      entry->name = found->d_name;
      describe(found, entry);
      return true;
    }
    return false;
  }

  uint64_t sizeOf(const DirEntry& entry) override {
    struct stat st;
    if (fstatat(dirfd(dir_), entry.name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) return 0;
    return static_cast<uint64_t>(st.st_size);
  }

 private:
  // A link counts as what it points to when that is a regular file; a link
  // to a directory is unsupported, so no cycle of links is ever followed.
  // Where the directory tells the kind, a file's size is left to its open.
  void describe(const dirent* found, DirEntry* entry) {
    const char* name = found->d_name;
    struct stat st;
    entry->kind = EntryKind::kUnsupported;
    entry->size = 0;
    entry->sizeKnown = true;
    if (found->d_type == DT_DIR) {
      entry->kind = EntryKind::kDirectory;
      return;
    }
    if (found->d_type == DT_REG) {
      entry->kind = EntryKind::kFile;
      entry->sizeKnown = false;
      return;
    }
    if (fstatat(dirfd(dir_), name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (S_ISLNK(st.st_mode)) {
      if (fstatat(dirfd(dir_), name, &st, 0) != 0 || !S_ISREG(st.st_mode)) return;
    }
    if (S_ISDIR(st.st_mode)) {
      entry->kind = EntryKind::kDirectory;
    } else if (S_ISREG(st.st_mode)) {
      entry->kind = EntryKind::kFile;
      entry->size = static_cast<uint64_t>(st.st_size);
    }
  }

  DIR* dir_;
  std::string wildcard_;
};

struct StreamMode {
  int flags;
  bool shared;
  bool truncate;
};

bool parseMode(const char* mode, StreamMode* parsed) {
  if (std::strcmp(mode, "rb") == 0) {
    *parsed = {O_RDONLY, true, false};
  } else if (std::strcmp(mode, "wb") == 0) {
    *parsed = {O_WRONLY | O_CREAT, false, true};
  } else if (std::strcmp(mode, "rb+") == 0) {
    *parsed = {O_RDWR, false, false};
  } else if (std::strcmp(mode, "wb+") == 0) {
    *parsed = {O_RDWR | O_CREAT, false, true};
  } else {
    return false;
  }
  return true;
}

// Keeps our descriptors off 0, 1 and 2, so that output meant for a closed
// standard stream can never land in an archive or an extracted file.
int moveAboveStandardStreams(int fd) {
  if (fd < 0 || fd > STDERR_FILENO) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  close(fd);
  return moved;
}

// The descriptor, and in *size the file's size, or -1 on failure.
int openLocked(const std::string& path, const StreamMode& mode, uint64_t* size) {
  // Non-blocking, so that a FIFO at this path cannot hang the open; the flag
  // stays, as it changes nothing for the regular files that pass.
  const int flags = mode.flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  const int lock = (mode.shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
  int fd = -1;
  if ((flags & O_CREAT) != 0) {
    // A file this call creates is regular and empty: nothing to check.
    fd = moveAboveStandardStreams(open(path.c_str(), flags | O_EXCL, 0666));
    if (fd >= 0) {
      *size = 0;
      if (flock(fd, lock) == 0) return fd;
      close(fd);
      return -1;
    }
    if (errno != EEXIST) return -1;
  }
  fd = moveAboveStandardStreams(open(path.c_str(), flags, 0666));
  if (fd < 0) return -1;
  struct stat st;
  bool usable = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, lock) == 0;
  // Truncating only once the lock is ours leaves others' files whole. An
  // empty file is left alone: ext4 flushes a file truncated to zero when it
  // is closed, which would make every new file cost a disk write.
  if (usable && mode.truncate && st.st_size > 0) usable = ftruncate(fd, 0) == 0;
  if (!usable) {
    close(fd);
    return -1;
  }
  *size = mode.truncate ? 0 : static_cast<uint64_t>(st.st_size);
  return fd;
}

int openLocked(const std::string& path, const char* mode, uint64_t* size) {
  StreamMode parsed;
  if (!parseMode(mode, &parsed)) return -1;
  return openLocked(path, parsed, size);
}

// Writes until all is written or a write fails; returns how much was.
size_t writeAll(int fd, const char* data, size_t count) {
  size_t written = 0;
  while (written < count) {
    const ssize_t n = write(fd, data + written, count - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  return written;
}

class PosixFile : public File {
 public:
  PosixFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  int descriptor() const { return fd_; }

  uint64_t size() const override { return size_; }

  size_t read(char* buffer, size_t count) override {
    // A regular file returns less than asked only at its end.
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, count);
      if (n >= 0) return static_cast<size_t>(n);
      if (errno != EINTR) return 0;
    }
  }

  bool write(const char* data, size_t count) override {
    if (writeAll(fd_, data, count) == count) return true;
    failed_ = true;
    return false;
  }

  bool close() override {
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed && !failed_;
  }

 private:
  int fd_;
  uint64_t size_;
  bool failed_ = false;
};

// Into the middle of a page the kernel copies a fifth to a third slower than
// large reads and writes do, as into an archive, whose data lies 128 bytes
// off page boundaries; it is asked only where the copy begins a page.
bool beginsAPage(off_t offset) {
  static const long page = sysconf(_SC_PAGESIZE);
  return page > 0 && offset >= 0 && offset % page == 0;
}

// copy_file_range from one descriptor to another; an offset of nullptr uses
// and moves that descriptor's own.
uint64_t copyRange(int from, off_t* in, int to, off_t* out, uint64_t count) {
  uint64_t copied = 0;
  while (copied < count) {
    const size_t step = static_cast<size_t>(std::min<uint64_t>(count - copied, 1u << 30));
    ssize_t n = copy_file_range(from, in, to, out, step, 0);
    // 0 at the end of the source; -1 where it is refused (another file
    // system, an old kernel): the caller reads and writes the rest.
    if (n <= 0) break;
    copied += static_cast<uint64_t>(n);
  }
  return copied;
}

class PosixEnv : public Env {
 public:
  char separator() const override { return '/'; }

  const char* reservedNameCharacters() const override { return ""; }

  std::unique_ptr<DirListing> listDirectory(const std::string& pattern) override {
    size_t slash = pattern.rfind('/');
    std::string directory = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
    std::string wildcard = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    int fd = moveAboveStandardStreams(
        open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY));
    if (fd < 0) return nullptr;
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
      close(fd);
      return nullptr;
    }
    return std::unique_ptr<DirListing>(new PosixDirListing(dir, wildcard));
  }

  FILE* openStream(const std::string& path, const char* mode) override {
    uint64_t size;
    int fd = openLocked(path, mode, &size);
    if (fd < 0) return nullptr;
    FILE* stream = fdopen(fd, mode);
    if (stream == nullptr) close(fd);
    return stream;
  }

  std::unique_ptr<File> openFile(const std::string& path, const char* mode) override {
    uint64_t size;
    int fd = openLocked(path, mode, &size);
    if (fd < 0) return nullptr;
    return std::unique_ptr<File>(new PosixFile(fd, size));
  }

  void createDirectory(const std::string& path) override { mkdir(path.c_str(), 0777); }

  PrivateDirectory createPrivateDirectory(const std::string& path) override {
    if (mkdir(path.c_str(), 0700) == 0) return PrivateDirectory::kCreated;
    if (errno != EEXIST) return PrivateDirectory::kRefused;
    // A trailing slash would make lstat follow a planted link.
    std::string bare = path;
    while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
    struct stat st;
    if (lstat(bare.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid() ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
      return PrivateDirectory::kRefused;
    }
    return PrivateDirectory::kReused;
  }

  std::string temporaryDirectory() override {
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string path = fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : "/tmp";
    if (path.back() != '/') path += '/';
    return path;
  }

  void pause() override {
    static const char kPrompt[] = "Weiter mit einer beliebigen Taste . . . ";
    writeOutput(kPrompt, sizeof kPrompt - 1, true);
    readOneKey();
    writeOutput("\n", 1, true);
  }

  // The stream's side goes by explicit offset, as the stream keeps its own;
  // it is moved on afterwards. Seeking a regular file to a known offset does
  // not fail.
  uint64_t copyToStream(File& from, FILE* to, uint64_t count) override {
    if (std::fflush(to) != 0) return 0;
    off_t out = ftello(to);
    if (!beginsAPage(out)) return 0;
    const uint64_t copied = copyRange(static_cast<PosixFile&>(from).descriptor(), nullptr, fileno(to), &out, count);
    if (copied > 0) (void)fseeko(to, out, SEEK_SET);
    return copied;
  }

  uint64_t copyFromStream(FILE* from, File& to, uint64_t count) override {
    off_t in = ftello(from);
    if (in < 0) return 0;
    const int target = static_cast<PosixFile&>(to).descriptor();
    if (!beginsAPage(lseek(target, 0, SEEK_CUR))) return 0;
    const uint64_t copied = copyRange(fileno(from), &in, target, nullptr, count);
    if (copied > 0) (void)fseeko(from, in, SEEK_SET);
    return copied;
  }

  size_t writePastBuffer(FILE* stream, const char* data, size_t count) override {
    if (std::fflush(stream) != 0) return 0;
    const size_t written = writeAll(fileno(stream), data, count);
    // The stream may keep its file's offset, which these writes moved: it
    // learns it anew.
    (void)fseeko(stream, 0, SEEK_CUR);
    return written;
  }

  int64_t remainingBytes(FILE* stream) override {
    struct stat st;
    off_t position = ftello(stream);
    if (position < 0 || fstat(fileno(stream), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size) - position;
  }

  OutputTraits outputTraits() override {
    struct stat st;
    OutputTraits traits;
    if (fstat(STDOUT_FILENO, &st) != 0) {
      traits.canBreak = true;
      return traits;
    }
    traits.canBreak = S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
    traits.interactive = S_ISCHR(st.st_mode) && isatty(STDOUT_FILENO) == 1;
    return traits;
  }

  void writeOutput(const char* text, size_t length, bool canBreak) override {
    if (!canBreak) {
      writeWhole(text, length);
      return;
    }
    // Blocked for this write, so that SIGPIPE can't end the host.
    sigset_t pipeSignal, previous, pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    // Only a host that blocks SIGPIPE itself can have one pending already.
    bool pipeWasPending = sigismember(&previous, SIGPIPE) == 1 && sigpending(&pending) == 0 &&
                          sigismember(&pending, SIGPIPE) == 1;
    if (!writeWhole(text, length) && !pipeWasPending) {
      const timespec noWait = {0, 0};
      sigtimedwait(&pipeSignal, nullptr, &noWait);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }

  FILE* silence() override {
    (void)std::fflush(stdout);
    int kept = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    // Reopened in place; should that fail, the stream is closed, which is
    // silent too.
    (void)!std::freopen("/dev/null", "w", stdout);
    (void)!std::freopen("/dev/null", "r", stdin);
    return kept < 0 ? nullptr : fdopen(kept, "w");
  }

  std::string toTerminalEncoding(const std::string& windows1252) override {
    std::string codeset = nl_langinfo(CODESET);
    // The C locale names plain ASCII; terminals today speak UTF-8.
    if (codeset == "ANSI_X3.4-1968") codeset = "UTF-8";
    iconv_t converter = iconv_open((codeset + "//TRANSLIT").c_str(), "WINDOWS-1252");
    // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open's documented failure value
    if (converter == reinterpret_cast<iconv_t>(-1)) return windows1252;
    std::string input = windows1252;
    std::string output(input.size() * 4 + 4, '\0');
    char* in = input.data();
    char* out = output.data();
    size_t inLeft = input.size(), outLeft = output.size();
    size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (converted == static_cast<size_t>(-1)) return windows1252;
    output.resize(output.size() - outLeft);
    return output;
  }

 private:
  // One write under the stream's lock, after what the host left in it; text
  // that can't be written is dropped. False when a write failed.
  static bool writeWhole(const char* text, size_t length) {
    flockfile(stdout);
    bool failed = fflush(stdout) != 0;
    if (failed) {
      __fpurge(stdout);
      clearerr(stdout);
    }
    // Past the stream, whose buffer might split a block of lines in two.
    if (writeAll(STDOUT_FILENO, text, length) < length) failed = true;
    funlockfile(stdout);
    return !failed;
  }

  static void readOneKey() {
    termios saved;
    bool terminal = isatty(STDIN_FILENO) == 1 && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
      termios raw = saved;
      raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
      raw.c_cc[VMIN] = 1;
      raw.c_cc[VTIME] = 0;
      tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    char key;
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
    }
    if (terminal) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  }
};

}  // namespace

Env* Env::Default() {
  // Built on first use and never destroyed: loading the library builds nothing.
  static Env* env = new PosixEnv;
  return env;
}

}  // namespace vesk
