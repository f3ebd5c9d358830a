#include <filesystem>

#include "env.h"

#include "test_support.h"

namespace vesk_test {
namespace {

class TruncationTest : public ScratchTest {};

// An archive cut anywhere, on a record boundary or inside a record, is
// reported, and nothing but the destination is touched.
TEST_F(TruncationTest, EveryCutIsReported) {
  const std::string whole = ArchiveBuilder()
                                .file("a.mp3", std::string(200, 'a'))
                                .directory("d")
                                .file("d\\b.txt", "")
                                .file("c", std::string(128, 'c'))
                                .end()
                                .bytes();
  writeFile(path("sentinel"), "untouched");
  const std::string out = path("out") + vesk::Env::Default()->separator();
  for (size_t cut = 0; cut < whole.size(); cut += 64) {
    SCOPED_TRACE(cut);
    std::filesystem::remove_all(out);
    makeDirectory(out);
    writeFile(path("cut.vsk"), whole.substr(0, cut));
    for (const char* filter : {"*", ".mp3"}) {
      VeskError result = extract(path("cut.vsk"), out, filter);
      EXPECT_EQ(errorText(result), "Archiv ist besch\xE4" "digt.") << filter;
    }
    EXPECT_EQ(readFile(path("sentinel")), "untouched");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root_),
                            std::filesystem::directory_iterator()),
              3);
  }
  writeFile(path("whole.vsk"), whole);
  EXPECT_EQ(extract(path("whole.vsk"), out).failed, 0);
}

}  // namespace
}  // namespace vesk_test
