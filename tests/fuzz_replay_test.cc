// Replays the fuzzer's seeds and every input it ever found a fault with.
#include <filesystem>

#include "extraction_jail.h"
#include "test_support.h"

namespace vesk_test {
namespace {

TEST(FuzzInputs, ReplayInsideTheDestination) {
  vesk_fuzz::ExtractionJail jail;
  int replayed = 0;
  for (const char* folder : {"corpus", "regressions"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VESK_FUZZ_INPUTS) + "/" + folder)) {
      if (entry.path().extension() == ".md") continue;
      SCOPED_TRACE(entry.path().string());
      std::string outside;
      captureStdout([&] { outside = jail.extractAndCheck(readFile(entry.path().string())); });
      EXPECT_EQ(outside, "");
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 20);
}

}  // namespace
}  // namespace vesk_test
