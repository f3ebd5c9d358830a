// Extraction under a resource limit, which only POSIX systems set.
#include <sys/resource.h>

#include <csignal>

#include "test_support.h"

namespace vesk_test {
namespace {

class ExtractorPosixTest : public ScratchTest {};

TEST_F(ExtractorPosixTest, FullDiskIsReported) {
  ArchiveBuilder archive;
  archive.file("big", std::string(200000, 'b')).file("small", "s").end();
  const std::string archivePath = path("archive.vsk"), out = path("out/");
  makeDirectory(out);
  archive.writeTo(archivePath);
  int status = runInChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = {65536, 65536};
    setrlimit(RLIMIT_FSIZE, &limit);
    return errorText(extract(archivePath, out)) == "Datei konnte nicht geschrieben werden." ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(out + "small"), "s");
}

}  // namespace
}  // namespace vesk_test
