#include <sys/wait.h>

#include <cstdlib>

#include "test_support.h"

namespace vesk_test {
namespace {

struct ToolRun {
  int status;
  std::string out, err;
};

class ToolTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    makeDirectory(path("src/music"));
    writeFile(path("src/readme.txt"), "read me");
    writeFile(path("src/music/a.mp3"), std::string(1000, 'a'));
  }

  // Runs vesk in the scratch folder (or a folder in it) with the given arguments.
  ToolRun vesk(const std::string& arguments, const std::string& folder = "") {
    std::string command = "cd '" + root_ + folder + "' && LC_ALL=C.UTF-8 TMPDIR='" + root_ + "' '" +
                          VESK_TOOL + "' " + arguments + " >'" + root_ + "stdout.txt' 2>'" + root_ +
                          "stderr.txt' </dev/null";
    int status = std::system(command.c_str());
    ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(path("stdout.txt")),
                readFile(path("stderr.txt"))};
    std::remove(path("stdout.txt").c_str());
    std::remove(path("stderr.txt").c_str());
    return run;
  }
};

TEST_F(ToolTest, PackListExtractRoundTrip) {
  ToolRun packed = vesk("pack src a.vsk");  // the trailing "/" is added
  EXPECT_EQ(packed.status, 0);
  EXPECT_NE(packed.out.find("Datei: music\\a.mp3 Bytes: 1000\n"), std::string::npos);

  ToolRun listed = vesk("list a.vsk");
  EXPECT_EQ(listed.status, 0);
  EXPECT_NE(listed.out.find("ordner          - music\n"), std::string::npos);
  EXPECT_NE(listed.out.find("file         1000 music\\a.mp3\n"), std::string::npos);
  EXPECT_NE(listed.out.find("file            7 readme.txt\n"), std::string::npos);
  EXPECT_EQ(treeListing(root_).size(), 5u);  // listing wrote nothing

  ToolRun extracted = vesk("extract a.vsk new/deep/out");
  EXPECT_EQ(extracted.status, 0);
  EXPECT_NE(extracted.out.find("Datei: music\\a.mp3 Size: 1000 Bytes\n"), std::string::npos);
  EXPECT_EQ(treeListing(path("new/deep/out")), treeListing(path("src")));

  // An empty DIR is the current directory, not the root.
  makeDirectory(path("here"));
  EXPECT_EQ(vesk("extract ../a.vsk '' .txt", "here").status, 0);
  EXPECT_EQ(readFile(path("here/readme.txt")), "read me");

  EXPECT_EQ(vesk("extract a.vsk only .mp3").status, 0);
  EXPECT_EQ(treeListing(path("only")),
            (std::vector<std::string>{"d music", "f music/a.mp3 " + std::string(1000, 'a')}));
}

TEST_F(ToolTest, QuietSilencesProgressButNotResults) {
  for (const char* arguments : {"-q pack src a.vsk", "pack src a.vsk -q",
                                       "-q extract a.vsk out", "extract -q a.vsk out2"}) {
    ToolRun run = vesk(arguments);
    EXPECT_EQ(run.status, 0) << arguments;
    EXPECT_EQ(run.out, "") << arguments;
  }
  ToolRun sound = vesk("-q sound a.vsk");
  EXPECT_EQ(sound.status, 0);
  EXPECT_EQ(sound.out, root_ + "138368438/\n");
  EXPECT_EQ(readFile(path("138368438/music/a.mp3")), std::string(1000, 'a'));
  EXPECT_FALSE(exists(path("138368438/readme.txt")));
}

TEST_F(ToolTest, FailuresAndUsage) {
  ToolRun missing = vesk("extract missing.vsk out");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "vesk: Datei konnte nicht ge\xC3\xB6" "ffnet werden.\n");

  ArchiveBuilder().file("f", "cut short").writeTo(path("cut.vsk"));
  for (const char* command : {"list cut.vsk", "extract cut.vsk out"}) {
    ToolRun cut = vesk(command);
    EXPECT_EQ(cut.status, 1) << command;
    EXPECT_EQ(cut.err, "vesk: Archiv ist besch\xC3\xA4" "digt.\n") << command;
  }

  for (const char* wrong : {"", "pack src", "list", "extract a b c d", "frobnicate x", "-x list a"}) {
    ToolRun run = vesk(wrong);
    EXPECT_EQ(run.status, 2) << wrong;
    EXPECT_NE(run.err.find("usage: vesk"), std::string::npos) << wrong;
  }
  ToolRun help = vesk("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: vesk", 0), 0u);
  EXPECT_EQ(vesk("--version").out, "1.0.0.1\n");
}

}  // namespace
}  // namespace vesk_test
