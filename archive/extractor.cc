// VeskPack::extract: recreates an archive's directories and files under a
// destination prefix.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "VeskPack.h"
#include "archive_walker.h"
#include "env.h"
#include "outcome.h"
#include "progress.h"
#include "stored_name.h"
#include "stream_copy.h"

namespace vesk {
namespace {

class Extraction : public ArchiveVisitor {
 public:
  Extraction(Env* env, const char* prefix, const char* filter, bool verbose)
      : env_(env), progress_(env), prefix_(prefix), filter_(filter), verbose_(verbose) {}
  ~Extraction() override { closeOutput(nullptr); }

  void directory(const Header& header, Outcome& outcome) override {
    if (!staysInside(header.name, env_->reservedNameCharacters())) return outcome.note(kArchiveDamaged);
    env_->createDirectory(destination(header));
    if (verbose_) progress_.print("Ordner: %s\n", std::string(header.name).c_str());
  }

  File* beginFile(const Header& header, Outcome& outcome) override {
    if (!staysInside(header.name, env_->reservedNameCharacters())) {
      outcome.note(kArchiveDamaged);
      return nullptr;
    }
    if (isSelected(header.name)) {
      output_ = env_->openFile(destination(header), "wb+");
      if (output_ == nullptr) {
        outcome.stop(kOpenFailed);
        return nullptr;
      }
    }
    if (verbose_) {
      progress_.print("Datei: %s Size: %d Bytes\n", std::string(header.name).c_str(), header.size);
    }
    return output_.get();
  }

  void endFile(Outcome& outcome) override { closeOutput(&outcome); }

 private:
  bool isSelected(std::string_view name) const {
    return filter_[0] == '*' || name.find(filter_) != std::string_view::npos;
  }

  std::string destination(const Header& header) const {
    return prefix_ + toLocalPath(header.name, env_->separator());
  }

  void closeOutput(Outcome* outcome) {
    if (output_ == nullptr) return;
    const bool closed = output_->close();
    output_.reset();
    if (!closed && outcome != nullptr) outcome->note(kWriteFailed);
  }

  Env* env_;
  Progress progress_;
  std::string prefix_;
  const char* filter_;
  bool verbose_;
  std::unique_ptr<File> output_;
};

}  // namespace
}  // namespace vesk

VeskError VeskPack::extract(char* archivePath, const char* destinationPrefix, char* filter,
                            bool verbose) {
  using namespace vesk;
  Env* env = Env::Default();
  // Read-only and shared with readers: nothing here ever writes the archive.
  FILE* archive = env->openStream(archivePath, "rb");
  if (archive == nullptr) return kOpenFailed;
  std::vector<char> buffer;
  bufferArchive(archive, buffer);
  Outcome outcome;
  {
    Extraction extraction(env, destinationPrefix, filter, verbose);
    walkArchive(archive, extraction, outcome);
  }
  (void)std::fclose(archive);  // only read
  return outcome.result();
}
