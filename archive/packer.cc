// VeskPack::pack and its recursive step: writes a directory tree as an archive.
#include <cinttypes>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "VeskPack.h"
#include "data_copy.h"
#include "env.h"
#include "outcome.h"
#include "progress.h"
#include "record.h"
#include "stored_name.h"
#include "stream_copy.h"

namespace vesk {
namespace {

void writeRecord(FILE* archive, const RawHeader& header) {
  // A failed write shows in the stream's error flag, read before closing.
  (void)std::fwrite(&header, 1, sizeof header, archive);
}

// What the record fields cannot hold is left out; so is what is neither a
// file nor a directory. A file's size is checked once it is known.
bool fitsArchive(const DirEntry& entry, const std::string& storedName) {
  if (entry.kind == EntryKind::kUnsupported) return false;
  if (entry.name.find(kStoredSeparator) != std::string::npos) return false;
  return storedName.size() <= kMaxNameLength;
}

uint64_t sizeOfFile(const DirEntry& entry, const File* source, DirListing& listing) {
  if (entry.sizeKnown) return entry.size;
  return source != nullptr ? source->size() : listing.sizeOf(entry);
}

}  // namespace
}  // namespace vesk

VeskError VeskPack::pack(char* sourceDirectory, char* archivePath) {
  using namespace vesk;
  Env* env = Env::Default();
  FILE* archive = env->openStream(archivePath, "wb");
  if (archive == nullptr) {
    env->pause();
    return kOpenFailed;
  }
  std::vector<char> buffer;
  bufferArchive(archive, buffer);
  Outcome outcome;
  outcome.note(packrekursiv(archive, sourceDirectory, "", "*"));
  writeRecord(archive, makeHeader(kEndTag, "", ""));
  bool failed = std::ferror(archive) != 0;
  failed |= std::fclose(archive) != 0;
  if (failed) outcome.note(kWriteFailed);
  return outcome.result();
}

VeskError VeskPack::packrekursiv(FILE* archive, const char* root, const char* relativePath,
                                 const char* pattern) {
  using namespace vesk;
  Env* env = Env::Default();
  const std::string level = std::string(root) + relativePath;
  std::unique_ptr<DirListing> listing = env->listDirectory(level + pattern);
  // Its directory record stands, but the contents are lost: say so.
  if (listing == nullptr) return kOpenFailed;

  Progress progress(env);
  Outcome outcome;
  DirEntry entry;
  while (listing->next(&entry)) {
    if (entry.name == "." || entry.name == "..") continue;
    const std::string relative = relativePath + entry.name;
    const std::string stored = toStoredName(relative, env->separator());
    if (!fitsArchive(entry, stored)) {
      outcome.note(kEntryNotPacked);
      continue;
    }
    if (entry.kind == EntryKind::kDirectory) {
      writeRecord(archive, makeHeader(kDirectoryTag, "", stored));
      progress.print("ordner: %s\n", stored.c_str());
      progress.flush();  // the subdirectory's lines come after this one
      outcome.note(packrekursiv(archive, root, (relative + env->separator()).c_str(), pattern));
      continue;
    }
    // Opened before its record is written, so a file that won't open
    // leaves no record without data behind.
    std::unique_ptr<File> source = env->openFile(level + entry.name, "rb");
    const uint64_t size = sizeOfFile(entry, source.get(), *listing);
    if (size > static_cast<uint64_t>(kMaxFileSize)) {
      outcome.note(kEntryNotPacked);
      continue;
    }
    char sizeText[sizeof(RawHeader::size)];
    (void)std::snprintf(sizeText, sizeof sizeText, "%" PRId32, static_cast<int32_t>(size));
    progress.print("Datei: %s Bytes: %s\n", stored.c_str(), sizeText);
    if (source == nullptr) {
      progress.flush();
      env->pause();
      outcome.note(kOpenFailed);
      return outcome.result();
    }
    writeRecord(archive, makeHeader(kFileTag, sizeText, stored));
    outcome.note(copyFileData(*source, archive, static_cast<int64_t>(size)));
  }
  return outcome.result();
}
