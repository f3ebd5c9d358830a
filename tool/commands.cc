#include "commands.h"

#include <cstdio>

#include "VeskPack.h"
#include "VeskSound.h"
#include "archive_walker.h"
#include "env.h"

namespace vesk_tool {
namespace {

using vesk::Env;

// The library joins paths as they stand; people expect "dir" to mean "dir/".
// An empty DIR stays empty, the current directory, and never becomes "/".
std::string asDirectory(std::string directory) {
  const char separator = Env::Default()->separator();
  if (!directory.empty() && directory.back() != separator) directory += separator;
  return directory;
}

void createDirectories(const std::string& directory) {
  const char separator = Env::Default()->separator();
  for (size_t at = directory.find(separator, 1); at != std::string::npos;
       at = directory.find(separator, at + 1)) {
    Env::Default()->createDirectory(directory.substr(0, at));
  }
}

int report(const VeskError& result) {
  if (!result.failed) return 0;
  std::fflush(nullptr);
  std::string message = Env::Default()->toTerminalEncoding(std::string(result.text, result.length));
  std::fprintf(stderr, "vesk: %s\n", message.c_str());
  return 1;
}

class Listing : public vesk::ArchiveVisitor {
 public:
  explicit Listing(FILE* out) : out_(out) {}

  void directory(const vesk::Header& header, vesk::Outcome&) override {
    print("ordner", "-", header.name);
  }
  vesk::File* beginFile(const vesk::Header& header, vesk::Outcome&) override {
    print("file", std::to_string(header.size), header.name);
    return nullptr;
  }
  void endFile(vesk::Outcome&) override {}

 private:
  void print(const char* kind, const std::string& size, std::string_view name) {
    std::fprintf(out_, "%-6s %10s %.*s\n", kind, size.c_str(), static_cast<int>(name.size()),
                 name.data());
  }

  FILE* out_;
};

}  // namespace

int packCommand(const std::string& directory, const std::string& archive) {
  std::string source = asDirectory(directory), target = archive;
  return report(VeskPack().pack(source.data(), target.data()));
}

int extractCommand(const std::string& archive, const std::string& directory,
                   const std::string& filter, bool verbose) {
  std::string source = archive, destination = asDirectory(directory), selection = filter;
  createDirectories(destination);
  return report(VeskPack().extract(source.data(), destination.c_str(), selection.data(), verbose));
}

int listCommand(const std::string& archive, FILE* out) {
  FILE* stream = Env::Default()->openStream(archive, "rb");
  if (stream == nullptr) return report(vesk::kOpenFailed);
  Listing listing(out);
  vesk::Outcome outcome;
  vesk::walkArchive(stream, listing, outcome);
  std::fclose(stream);
  return report(outcome.result());
}

int soundCommand(const std::string& archive, FILE* out) {
  std::fprintf(out, "%s\n", VeskSound_extract(archive.c_str()));
  return 0;
}

}  // namespace vesk_tool
