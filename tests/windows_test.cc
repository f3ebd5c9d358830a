// What holds only on Windows: the listing service, the temporary path with
// its "\", the "pause" command and the names that Windows reserves.
#include <windows.h>

#include <algorithm>

#include "env.h"
#include "test_support.h"

namespace vesk_test {
namespace {

using vesk::Env;

class WindowsTest : public ScratchTest {};

TEST_F(WindowsTest, ListingDeliversDotEntriesAndMatchesWildcards) {
  writeFile(path("abc"), "");
  writeFile(path("abd.txt"), std::string(300, 'x'));
  makeDirectory(path("sub"));
  std::vector<std::string> names;
  auto listing = Env::Default()->listDirectory(root_ + "*");
  ASSERT_NE(listing, nullptr);
  vesk::DirEntry entry;
  while (listing->next(&entry)) {
    names.push_back(entry.name);
    if (entry.name == "abd.txt") {
      EXPECT_EQ(entry.size, 300u);
    }
    if (entry.name == "sub") {
      EXPECT_EQ(entry.kind, vesk::EntryKind::kDirectory);
    }
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "abc", "abd.txt", "sub"}));
  listing = Env::Default()->listDirectory(root_ + "ab?");
  ASSERT_NE(listing, nullptr);
  ASSERT_TRUE(listing->next(&entry));
  EXPECT_EQ(entry.name, "abc");
  EXPECT_FALSE(listing->next(&entry));
  EXPECT_EQ(Env::Default()->listDirectory(root_ + "nowhere\\*"), nullptr);
}

TEST_F(WindowsTest, TemporaryPathEndsWithBackslash) {
  TemporaryDirectoryOverride override(path("tmp"));
  EXPECT_EQ(Env::Default()->temporaryDirectory(), path("tmp") + "\\");
}

TEST_F(WindowsTest, PauseReturnsOnEndedInput) {
  writeFile(path("held"), "");
  HeldFile holder(path("held"), "wb");
  ASSERT_TRUE(holder.held());
  // The archive can't be created: "pause" runs and returns, input being NUL.
  VeskError result = pack(path("src\\"), path("held"));
  EXPECT_EQ(result.failed, 1);
}

TEST_F(WindowsTest, NamesWithAColonAreRefused) {
  makeDirectory(path("out"));
  ArchiveBuilder archive;
  archive.file("a.txt:hidden", "stream").directory("x:y").file("D:\\evil", "e").file("kept", "k").end();
  archive.writeTo(path("a.vsk"));
  VeskError result = extract(path("a.vsk"), path("out\\"));
  EXPECT_EQ(errorText(result), "Archiv ist besch\xE4" "digt.");
  EXPECT_EQ(treeListing(path("out")), std::vector<std::string>{"f kept k"});
}

TEST_F(WindowsTest, StoredNamesKeepTheirBackslashes) {
  makeDirectory(path("src\\music\\intro"));
  writeFile(path("src\\music\\intro\\a.mp3"), "tune");
  ASSERT_EQ(pack(path("src\\"), path("a.vsk")).failed, 0);
  EXPECT_EQ(readFile(path("a.vsk")), ArchiveBuilder()
                                         .directory("music")
                                         .directory("music\\intro")
                                         .file("music\\intro\\a.mp3", "tune")
                                         .end()
                                         .bytes());
}

}  // namespace
}  // namespace vesk_test
