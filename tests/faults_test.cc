// Hard conditions: a process killed mid-way, files that change while read.
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <stddef.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <atomic>
#include <filesystem>
#include <thread>

#include "archive_walker.h"
#include "test_support.h"

namespace vesk_test {
namespace {

class FaultsTest : public ScratchTest {};

// Makes copy_file_range fail with ENOSYS in this process, as on a kernel
// that lacks it.
bool refuseTheKernelsCopy() {
  sock_filter rules[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_copy_file_range, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog program = {static_cast<unsigned short>(sizeof rules / sizeof rules[0]), rules};
  return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// A large file whose data begins a page of the archive (behind 31 directory
// records and its own header), so both directions try the kernel's copy.
TEST_F(FaultsTest, LargeFilesMoveWhereTheKernelRefusesItsCopy) {
  std::string chain = path("tree/");
  makeDirectory(chain);
  for (int level = 0; level < 31; ++level) makeDirectory(chain += "d/");
  std::string big(1048576 + 5, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
  writeFile(chain + "big", big);
  const std::string nested = std::string(path("")) + "out/" + chain.substr(path("tree/").size());
  for (bool refused : {false, true}) {
    SCOPED_TRACE(refused ? "refused" : "allowed");
    std::filesystem::remove_all(path("out"));
    makeDirectory(path("out"));
    int status = runInChild([&] {
      if (refused && !refuseTheKernelsCopy()) return 2;
      VeskError packed, extracted;
      captureStdout([&] { packed = pack(path("tree/"), path("a.vsk")); });
      captureStdout([&] { extracted = extract(path("a.vsk"), path("out/")); });
      return packed.failed == 0 && extracted.failed == 0 ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFile(nested + "big"), big);
  }
}

TEST_F(FaultsTest, KillingAnExtractionLeavesTheArchiveUnchanged) {
  ArchiveBuilder archive;
  for (int i = 0; i < 40; ++i) archive.file("f" + std::to_string(i), std::string(1 << 20, static_cast<char>(i)));
  archive.end().writeTo(path("big.vsk"));
  const std::string before = readFile(path("big.vsk"));
  makeDirectory(path("out"));
  std::fflush(stdout);
  pid_t child = fork();
  if (child == 0) _exit(extract(path("big.vsk"), path("out/")).failed);
  // Killed once it has begun writing, or given up on after ten seconds.
  for (int wait = 0; wait < 100000 && !exists(path("out/f0")); ++wait) usleep(100);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(readFile(path("big.vsk")), before);
  // And the archive is free again.
  EXPECT_EQ(extract(path("big.vsk"), path("out/")).failed, 0);
}

// Files that grow and shrink while they are packed: the archive always
// parses to its end, and the change is reported.
TEST_F(FaultsTest, FilesChangingWhilePackedLeaveAReadableArchive) {
  const std::string tree = path("tree/");
  makeDirectory(tree);
  const int kFiles = 64;
  for (int i = 0; i < kFiles; ++i) writeFile(tree + "f" + std::to_string(i), std::string(20000, 'x'));
  std::atomic<bool> stop{false};
  std::atomic<unsigned> rounds{0};
  std::thread changer([&] {
    for (unsigned round = 0; !stop; ++round) {
      for (int i = 0; i < kFiles && !stop; ++i) {
        truncate((tree + "f" + std::to_string(i)).c_str(), round % 2 ? 100 : 40000);
      }
      rounds = round + 1;
    }
  });
  // On a busy machine the changer may not run at first: packing starts once
  // it has, and is retried until a change is caught.
  while (rounds == 0) std::this_thread::yield();
  bool reported = false;
  for (int attempt = 0; attempt < 2000 && !reported; ++attempt) {
    VeskError result;
    captureStdout([&] { result = pack(tree, path("a.vsk")); });
    reported = errorText(result) == "Eintrag konnte nicht gepackt werden.";
    FILE* archive = std::fopen(path("a.vsk").c_str(), "rb");
    struct Count : vesk::ArchiveVisitor {
      int files = 0;
      void directory(const vesk::Header&, vesk::Outcome&) override {}
      vesk::File* beginFile(const vesk::Header&, vesk::Outcome&) override {
        ++files;
        return nullptr;
      }
      void endFile(vesk::Outcome&) override {}
    } count;
    vesk::Outcome parsed;
    vesk::walkArchive(archive, count, parsed);
    std::fclose(archive);
    EXPECT_EQ(parsed.result().failed, 0);
    EXPECT_EQ(count.files, kFiles);
  }
  stop = true;
  changer.join();
  EXPECT_TRUE(reported);
}

}  // namespace
}  // namespace vesk_test
