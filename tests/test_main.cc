// Standard input is ended before any test runs, so nothing can wait for a key.
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (std::freopen("/dev/null", "r", stdin) == nullptr) return 1;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
