// Env on Windows: the file-listing and temporary-path services, and the C
// runtime's streams with its sharing modes.
#include <windows.h>

#include <io.h>
#include <share.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "env.h"

namespace vesk {
namespace {

class WindowsDirListing : public DirListing {
 public:
  WindowsDirListing(HANDLE handle, const WIN32_FIND_DATAA& first) : handle_(handle), data_(first) {}
  ~WindowsDirListing() override { FindClose(handle_); }

  bool next(DirEntry* entry) override {
    if (!pending_ && !FindNextFileA(handle_, &data_)) return false;
    pending_ = false;
    entry->name = data_.cFileName;
    entry->size = (static_cast<uint64_t>(data_.nFileSizeHigh) << 32) | data_.nFileSizeLow;
    const DWORD attributes = data_.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      entry->kind = EntryKind::kFile;
    } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      // A junction or linked folder: following it could loop forever.
      entry->kind = EntryKind::kUnsupported;
    } else {
      entry->kind = EntryKind::kDirectory;
    }
    return true;
  }

  uint64_t sizeOf(const DirEntry& entry) override { return entry.size; }

 private:
  HANDLE handle_;
  WIN32_FIND_DATAA data_;
  bool pending_ = true;  // FindFirstFileA delivered the first entry already
};

// Keeps our streams off descriptors 0, 1 and 2, so that output meant for a
// closed standard stream can never land in an archive or an extracted file.
FILE* aboveStandardStreams(FILE* stream, const char* mode) {
  if (stream == nullptr || _fileno(stream) > 2) return stream;
  std::vector<int> parked;
  int moved = _dup(_fileno(stream));
  while (moved >= 0 && moved <= 2) {
    parked.push_back(moved);
    moved = _dup(_fileno(stream));
  }
  for (int fd : parked) _close(fd);
  std::fclose(stream);
  if (moved < 0) return nullptr;
  FILE* reopened = _fdopen(moved, mode);
  if (reopened == nullptr) _close(moved);
  return reopened;
}

// A C runtime stream without a buffer of its own.
class WindowsFile : public File {
 public:
  explicit WindowsFile(FILE* stream) : stream_(stream), size_(_filelengthi64(_fileno(stream))) {
    (void)std::setvbuf(stream_, nullptr, _IONBF, 0);
  }
  ~WindowsFile() override {
    if (stream_ != nullptr) std::fclose(stream_);
  }
  WindowsFile(const WindowsFile&) = delete;
  WindowsFile& operator=(const WindowsFile&) = delete;

  uint64_t size() const override { return size_ < 0 ? 0 : static_cast<uint64_t>(size_); }

  size_t read(char* buffer, size_t count) override { return std::fread(buffer, 1, count, stream_); }

  bool write(const char* data, size_t count) override {
    return std::fwrite(data, 1, count, stream_) == count;
  }

  bool close() override {
    bool failed = std::ferror(stream_) != 0;
    failed |= std::fclose(stream_) != 0;
    stream_ = nullptr;
    return !failed;
  }

 private:
  FILE* stream_;
  int64_t size_;
};

std::string withoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

class WindowsEnv : public Env {
 public:
  char separator() const override { return '\\'; }

  const char* reservedNameCharacters() const override { return ":"; }

  std::unique_ptr<DirListing> listDirectory(const std::string& pattern) override {
    WIN32_FIND_DATAA first;
    HANDLE handle = FindFirstFileA(pattern.c_str(), &first);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::unique_ptr<DirListing>(new WindowsDirListing(handle, first));
  }

  FILE* openStream(const std::string& path, const char* mode) override {
    if (std::strcmp(mode, "rb") != 0 && std::strcmp(mode, "wb") != 0 &&
        std::strcmp(mode, "rb+") != 0 && std::strcmp(mode, "wb+") != 0) {
      return nullptr;
    }
    // A sharing violation is found before "wb" truncates anything.
    const int sharing = std::strcmp(mode, "rb") == 0 ? _SH_DENYWR : _SH_DENYRW;
    return aboveStandardStreams(_fsopen(path.c_str(), mode, sharing), mode);
  }

  void createDirectory(const std::string& path) override { CreateDirectoryA(path.c_str(), nullptr); }

  PrivateDirectory createPrivateDirectory(const std::string& path) override {
    if (CreateDirectoryA(path.c_str(), nullptr)) return PrivateDirectory::kCreated;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return PrivateDirectory::kRefused;
    const DWORD attributes = GetFileAttributesA(withoutTrailingSeparators(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      return PrivateDirectory::kRefused;
    }
    return PrivateDirectory::kReused;
  }

  std::string temporaryDirectory() override {
    // Asked twice: once for the length, once for the path, so any length fits.
    std::string path(GetTempPathA(0, nullptr), '\0');
    path.resize(GetTempPathA(static_cast<DWORD>(path.size()), &path[0]));
    if (path.empty() || path.back() != '\\') path += '\\';
    return path;
  }

  void pause() override {
    std::fflush(stdout);
    std::system("pause");
  }

  std::unique_ptr<File> openFile(const std::string& path, const char* mode) override {
    FILE* stream = openStream(path, mode);
    if (stream == nullptr) return nullptr;
    return std::unique_ptr<File>(new WindowsFile(stream));
  }

  // Windows has no copy between two open files: the caller copies.
  uint64_t copyToStream(File&, FILE*, uint64_t) override { return 0; }
  uint64_t copyFromStream(FILE*, File&, uint64_t) override { return 0; }

  // The C runtime's stream writes large blocks through on its own.
  size_t writePastBuffer(FILE*, const char*, size_t) override { return 0; }

  int64_t remainingBytes(FILE* stream) override {
    const int64_t length = _filelengthi64(_fileno(stream));
    const int64_t position = _ftelli64(stream);
    return length < 0 || position < 0 ? -1 : length - position;
  }

  // Windows raises no signal for a broken pipe: a failed write just fails.
  OutputTraits outputTraits() override {
    OutputTraits traits;
    traits.interactive = _isatty(_fileno(stdout)) != 0;
    return traits;
  }

  void writeOutput(const char* text, size_t length, bool) override {
    _lock_file(stdout);
    // Flushing first leaves the whole line in the buffer for one write.
    std::fflush(stdout);
    std::fwrite(text, 1, length, stdout);
    std::fflush(stdout);
    std::clearerr(stdout);
    _unlock_file(stdout);
  }

  FILE* silence() override {
    std::fflush(stdout);
    int kept = _dup(_fileno(stdout));
    (void)!std::freopen("NUL", "w", stdout);
    (void)!std::freopen("NUL", "r", stdin);
    return kept < 0 ? nullptr : _fdopen(kept, "w");
  }

  std::string toTerminalEncoding(const std::string& windows1252) override {
    const UINT codePage = GetConsoleOutputCP();
    if (codePage == 0 || codePage == 1252 || windows1252.empty()) return windows1252;
    const int size = static_cast<int>(windows1252.size());
    std::wstring wide(static_cast<size_t>(size), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(1252, 0, windows1252.data(), size, &wide[0], size)));
    const int wideSize = static_cast<int>(wide.size());
    int needed = WideCharToMultiByte(codePage, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), wideSize, &converted[0], needed, nullptr, nullptr);
    return converted;
  }
};

}  // namespace

Env* Env::Default() {
  // Built on first use and never destroyed: loading the library builds nothing.
  static Env* env = new WindowsEnv;
  return env;
}

}  // namespace vesk
