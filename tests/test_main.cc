// Standard input is ended before any test runs, so nothing can wait for a key.
#include <gtest/gtest.h>

#include <cstdio>

#include "test_support.h"

int main(int argc, char** argv) {
#if defined(_WIN32)
  const char kNullDevice[] = "NUL";
#else
  const char kNullDevice[] = "/dev/null";
#endif
  if (std::freopen(kNullDevice, "r", stdin) == nullptr) return 1;
  ::testing::InitGoogleTest(&argc, argv);
  vesk_test::scratchBase();  // before any test points the temporary folder elsewhere
  return RUN_ALL_TESTS();
}
