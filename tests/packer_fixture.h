// What the packer tests share: a source folder, an archive, and readers of both.
#ifndef VESK_TESTS_PACKER_FIXTURE_H_
#define VESK_TESTS_PACKER_FIXTURE_H_

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "archive_walker.h"
#include "test_support.h"

namespace vesk_test {

// The names of a directory in the order the system lists them.
inline std::vector<std::string> listingOrder(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// The stored names of an archive's headers, in order, through the reader.
inline std::vector<std::string> storedNames(const std::string& archive, VeskError* result = nullptr) {
  struct Names : vesk::ArchiveVisitor {
    std::vector<std::string> names;
    void directory(const vesk::Header& h, vesk::Outcome&) override { names.emplace_back(h.name); }
    vesk::File* beginFile(const vesk::Header& h, vesk::Outcome&) override {
      names.emplace_back(h.name);
      return nullptr;
    }
    void endFile(vesk::Outcome&) override {}
  } visitor;
  FILE* stream = std::fopen(archive.c_str(), "rb");
  vesk::Outcome outcome;
  vesk::walkArchive(stream, visitor, outcome);
  std::fclose(stream);
  if (result != nullptr) *result = outcome.result();
  return visitor.names;
}

class PackerTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    source_ = path("src/");
    makeDirectory(source_);
    archive_ = path("out.vsk");
  }

  // Packs source_ into archive_ and returns the progress lines.
  std::string packSource() {
    return captureStdout([&] { result_ = pack(source_, archive_); });
  }

  std::string source_, archive_;
  VeskError result_{};
};

}  // namespace vesk_test

#endif  // VESK_TESTS_PACKER_FIXTURE_H_
