#include <random>

#include "test_support.h"

namespace vesk_test {
namespace {

class RoundTripTest : public ScratchTest {};

std::string bytesOf(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator());
  return bytes;
}

TEST_F(RoundTripTest, GeneratedTreeComesBackByteForByte) {
  const std::string source = path("src/");
  makeDirectory(source + "empty");
  makeDirectory(source + "a/b/c");
  makeDirectory(source + ".config/deeper/still");
  const size_t sizes[] = {0, 1, 127, 128, 129, 255, 256, 4096, 3 * 1024 * 1024 + 17};
  unsigned seed = 1;
  for (size_t size : sizes) {
    writeFile(source + "f" + std::to_string(size), bytesOf(size, seed++));
    writeFile(source + "a/b/c/n" + std::to_string(size), bytesOf(size, seed++));
  }
  writeFile(source + ".hidden", "dot");
  writeFile(source + ".config/deeper/.x", "");
  writeFile(source + "name with spaces & \xE4umlaut", "bytes as they are");

  ASSERT_EQ(captureStdout([&] { EXPECT_EQ(pack(source, path("tree.vsk")).failed, 0); }).empty(),
            false);
  makeDirectory(path("out"));
  EXPECT_EQ(extract(path("tree.vsk"), path("out/")).failed, 0);
  EXPECT_EQ(treeListing(path("out")), treeListing(source));
}

}  // namespace
}  // namespace vesk_test
