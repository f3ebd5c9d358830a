#include <string>

#include "env.h"
#include "test_support.h"

namespace vesk_test {
namespace {

using vesk::Env;

class StreamsTest : public ScratchTest {};

// Whether a second open succeeds while a first one holds the file, in the
// same process and, where the system allows, in another one.
TEST_F(StreamsTest, StreamsShareReadingOnly) {
  const char* modes[] = {"rb", "wb", "rb+", "wb+"};
  const std::string file = path("shared");
  for (const char* first : modes) {
    for (const char* second : modes) {
      SCOPED_TRACE(std::string(first) + " then " + second);
      bool bothRead = std::string(first) == "rb" && std::string(second) == "rb";
      writeFile(file, "content");
      {
        FILE* held = Env::Default()->openStream(file, first);
        ASSERT_NE(held, nullptr);
        FILE* again = Env::Default()->openStream(file, second);
        EXPECT_EQ(again != nullptr, bothRead);
        if (again != nullptr) std::fclose(again);
        std::fclose(held);
      }
      // A refused open never truncates what another holds.
      const std::string kept = std::string(first)[0] == 'w' ? "" : "content";
      EXPECT_EQ(readFile(file), kept);
      {
        HeldFile holder(file, first);
        ASSERT_TRUE(holder.held());
        FILE* again = Env::Default()->openStream(file, second);
        EXPECT_EQ(again != nullptr, bothRead);
        if (again != nullptr) std::fclose(again);
      }
      EXPECT_EQ(readFile(file), kept);
    }
  }
}

// Files for entries' bytes open as streams do, and tell their size then.
TEST_F(StreamsTest, FilesHoldLikeStreamsAndTellTheirSize) {
  const std::string file = path("entry");
  writeFile(file, "old content");
  {
    auto reader = Env::Default()->openFile(file, "rb");
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->size(), 11u);
    auto second = Env::Default()->openFile(file, "rb");
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(Env::Default()->openFile(file, "wb+"), nullptr);
    char bytes[32];
    EXPECT_EQ(reader->read(bytes, sizeof bytes), 11u);
    EXPECT_EQ(reader->read(bytes, sizeof bytes), 0u);
  }
  EXPECT_EQ(readFile(file), "old content");
  // Over an existing file and as a new one.
  for (const std::string& target : {file, path("new")}) {
    auto writer = Env::Default()->openFile(target, "wb+");
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(writer->size(), 0u);
    EXPECT_EQ(Env::Default()->openStream(target, "rb"), nullptr);
    EXPECT_TRUE(writer->write("new", 3));
    EXPECT_TRUE(writer->close());
    EXPECT_EQ(readFile(target), "new");
  }
}

TEST_F(StreamsTest, OnlyRegularFilesOpen) {
  makeDirectory(path("dir"));
  for (const char* mode : {"rb", "wb", "rb+", "wb+"}) {
    EXPECT_EQ(Env::Default()->openStream(path("dir"), mode), nullptr) << mode;
  }
  EXPECT_EQ(Env::Default()->openStream(path("missing"), "rb"), nullptr);
  EXPECT_EQ(Env::Default()->openStream(path("missing"), "rb+"), nullptr);
  EXPECT_EQ(Env::Default()->openStream(path("file"), "xb"), nullptr);
}

}  // namespace
}  // namespace vesk_test
