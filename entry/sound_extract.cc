// VeskSound_extract: a host's way to get an archive's sound files.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "VeskPack.h"
#include "VeskSound.h"
#include "env.h"
#include "folder_number.h"

namespace {

// The folder names are predictable; a name someone else took first is
// passed over, but only so often.
constexpr int kFolderAttempts = 16;

}  // namespace

extern "C" VESK_API const char* VeskSound_extract(const char* archivePath) {
  using namespace vesk;
  thread_local std::string prefix;
  Env* env = Env::Default();
  const std::string temporary = env->temporaryDirectory();
  for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
    char number[16];
    (void)std::snprintf(number, sizeof number, "%" PRId32, nextFolderNumber());
    prefix = temporary + number + env->separator();
    if (env->createPrivateDirectory(prefix) == PrivateDirectory::kRefused) continue;
    std::string archive = archivePath;
    char filter[] = ".mp3";
    // Failures are the host's to find in the folder; none is reported.
    VeskPack().extract(archive.data(), prefix.c_str(), filter, true);
    break;
  }
  return prefix.c_str();
}
