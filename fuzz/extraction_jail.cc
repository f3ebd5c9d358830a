#include "extraction_jail.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "VeskPack.h"

namespace fs = std::filesystem;

namespace vesk_fuzz {
namespace {

const char kSentinelText[] = "sentinel";

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// Whether directory holds exactly the expected names, the sentinel among them intact.
std::string unexpectedIn(const std::string& directory, const std::set<std::string>& expected) {
  std::set<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory, error)) {
    names.insert(entry.path().filename().string());
  }
  if (names != expected) return "entries changed in " + directory;
  if (readFile(directory + "sentinel") != kSentinelText) return "sentinel changed in " + directory;
  return "";
}

}  // namespace

ExtractionJail::ExtractionJail() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vesk-jail-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  root_ = pattern + "/";
  jail_ = root_ + "jail/";
  fs::create_directory(jail_);
  writeFile(root_ + "sentinel", kSentinelText);
  writeFile(jail_ + "sentinel", kSentinelText);
}

ExtractionJail::~ExtractionJail() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::string ExtractionJail::extractAndCheck(const std::string& bytes) {
  std::string archive = jail_ + "archive.vsk";
  writeFile(archive, bytes);
  for (const char* filterText : {"*", ".mp3"}) {
    std::error_code ignored;
    fs::remove_all(jail_ + "out", ignored);
    fs::create_directory(jail_ + "out");
    std::string filter = filterText;
    VeskPack().extract(archive.data(), (jail_ + "out/").c_str(), filter.data(), false);
    std::string changes = outsideChanges();
    if (!changes.empty()) return changes;
    if (readFile(archive) != bytes) return "the archive changed";
  }
  return "";
}

std::string ExtractionJail::outsideChanges() const {
  std::string changes = unexpectedIn(root_, {"jail", "sentinel"});
  if (changes.empty()) changes = unexpectedIn(jail_, {"archive.vsk", "out", "sentinel"});
  return changes;
}

}  // namespace vesk_fuzz
