// Shared helpers of the tests: scratch folders, files, hand-made archives,
// captured standard output and child processes.
#ifndef VESK_TESTS_TEST_SUPPORT_H_
#define VESK_TESTS_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "VeskPack.h"

namespace vesk_test {

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
bool exists(const std::string& path);
void makeDirectory(const std::string& path);

// Every regular file and directory below root, as "d name" or
// "f name <content>", sorted; the fingerprint of a tree.
std::vector<std::string> treeListing(const std::string& root);

// Writes an archive record by record.
class ArchiveBuilder {
 public:
  ArchiveBuilder& header(const std::string& tag, const std::string& size, const std::string& name);
  ArchiveBuilder& directory(const std::string& name) { return header("ordner", "", name); }
  // A file record and its data records, the last padded with zeros.
  ArchiveBuilder& file(const std::string& name, const std::string& content);
  ArchiveBuilder& data(const std::string& bytes);  // zero-padded to whole records
  ArchiveBuilder& raw(const std::string& bytes);
  ArchiveBuilder& end() { return header("end", "", ""); }
  const std::string& bytes() const { return bytes_; }
  void writeTo(const std::string& path) const { writeFile(path, bytes_); }

 private:
  std::string bytes_;
};

// Whether output holds line directly followed by the prompt of "pause": ours
// on POSIX, the command processor's own (in the system's language) on Windows.
bool pausedAfter(const std::string& output, const std::string& line);

// The folder for scratch files, fixed when the tests start.
const std::string& scratchBase();

// Runs body with standard output going to a file; returns what it printed.
std::string captureStdout(const std::function<void()>& body);

#if !defined(_WIN32)
// Runs body in a forked child; returns its exit status, or 128 + signal.
int runInChild(const std::function<int()>& body);
#endif

// Holds path open through the library's streams until destroyed: from
// another process where the system allows it.
class HeldFile {
 public:
  HeldFile(const std::string& path, const char* mode);
  ~HeldFile();
  bool held() const { return held_; }

 private:
#if defined(_WIN32)
  FILE* stream_;
#else
  int pid_ = -1;
  int release_ = -1;
#endif
  bool held_ = false;
};

// Points the library's temporary-files directory elsewhere for a while.
class TemporaryDirectoryOverride {
 public:
  explicit TemporaryDirectoryOverride(const std::string& directory);
  ~TemporaryDirectoryOverride();

 private:
#if defined(_WIN32)
  static constexpr const char* kVariable = "TMP";
#else
  static constexpr const char* kVariable = "TMPDIR";
#endif
  void set(const std::string& directory);
  std::string old_;
  bool hadOld_ = false;
};

// The library's calls take mutable texts; these wrap them for std::string.
VeskError pack(const std::string& source, const std::string& archive);
VeskError extract(const std::string& archive, const std::string& prefix,
                  const std::string& filter = "*", bool verbose = false);

std::string errorText(const VeskError& error);

// A fresh folder per test, removed afterwards.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string path(const std::string& name) const { return root_ + name; }
  std::string root_;  // ends with the separator
};

}  // namespace vesk_test

#endif  // VESK_TESTS_TEST_SUPPORT_H_
