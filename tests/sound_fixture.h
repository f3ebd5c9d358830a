// What the tests of VeskSound_extract share: a temporary-files directory of
// their own, a sound archive, and fresh threads.
#ifndef VESK_TESTS_SOUND_FIXTURE_H_
#define VESK_TESTS_SOUND_FIXTURE_H_

#include <memory>
#include <string>
#include <thread>

#include "VeskSound.h"
#include "env.h"
#include "test_support.h"

namespace vesk_test {

// Runs body on a thread of its own, whose generator starts afresh.
template <typename Body>
inline void onFreshThread(Body body) {
  std::thread thread(body);
  thread.join();
}

class SoundExtractTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    temporary_ = path("tmp") + separator_;
    makeDirectory(temporary_);
    // Given without its separator: one is added.
    override_ = std::make_unique<TemporaryDirectoryOverride>(path("tmp"));
  }
  void TearDown() override {
    override_.reset();
    ScratchTest::TearDown();
  }

  // The folder of a number, as the entry returns it.
  std::string folder(const std::string& number) const { return temporary_ + number + separator_; }

  // The first call on a fresh thread, with what it printed.
  std::string firstCall(const std::string& archive, std::string* lines = nullptr) {
    std::string prefix;
    std::string printed = captureStdout([&] { onFreshThread([&] { prefix = VeskSound_extract(archive.c_str()); }); });
    if (lines != nullptr) *lines = printed;
    return prefix;
  }

  const char separator_ = vesk::Env::Default()->separator();
  std::string temporary_;
  std::unique_ptr<TemporaryDirectoryOverride> override_;
};

inline ArchiveBuilder soundArchive() {
  return ArchiveBuilder()
      .file("song.mp3", std::string(300, 's'))
      .directory("intro")
      .file("intro\\theme.mp3", "theme")
      .file("notes.txt", "notes")
      .end();
}

}  // namespace vesk_test

#endif  // VESK_TESTS_SOUND_FIXTURE_H_
