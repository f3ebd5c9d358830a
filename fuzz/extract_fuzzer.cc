// libFuzzer target: every input is an archive to extract; writing anything
// outside the destination is a finding, like a crash or a hang.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "extraction_jail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vesk_fuzz::ExtractionJail* jail = new vesk_fuzz::ExtractionJail;
  std::string changes = jail->extractAndCheck(std::string(reinterpret_cast<const char*>(data), size));
  if (!changes.empty()) {
    std::fprintf(stderr, "outside the destination: %s\n", changes.c_str());
    std::abort();
  }
  return 0;
}
