// vesk: packs folders into archives and gets them out again.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "env.h"

namespace {

const char kUsage[] =
    "usage: vesk [-q] pack DIR ARCHIVE      pack the tree below DIR into ARCHIVE\n"
    "       vesk [-q] extract ARCHIVE DIR [FILTER]\n"
    "                                       extract into DIR (created if missing) the files\n"
    "                                       whose stored name contains FILTER (default: all)\n"
    "       vesk list ARCHIVE               show each entry's kind, size and stored name\n"
    "       vesk [-q] sound ARCHIVE         extract the .mp3 entries into a new temporary\n"
    "                                       folder and print its path\n"
    "       vesk --help | --version\n"
    "-q prints no progress lines and never waits for a key.\n"
    "Exit status: 0 on success, 1 when the library reports a failure, 2 for wrong usage.\n";

int usageError() {
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");
  bool quiet = false;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-q") == 0) {
      quiet = true;
    } else if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("1.0.0.1");
      return 0;
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      return usageError();
    } else {
      words.emplace_back(argv[i]);
    }
  }
  if (words.empty()) return usageError();
  const std::string& command = words[0];
  const size_t operands = words.size() - 1;
  FILE* results = quiet ? vesk::Env::Default()->silence() : stdout;
  if (results == nullptr) results = stdout;

  if (command == "pack" && operands == 2) return vesk_tool::packCommand(words[1], words[2]);
  if (command == "extract" && (operands == 2 || operands == 3)) {
    return vesk_tool::extractCommand(words[1], words[2], operands == 3 ? words[3] : "*", !quiet);
  }
  if (command == "list" && operands == 1) return vesk_tool::listCommand(words[1], results);
  if (command == "sound" && operands == 1) return vesk_tool::soundCommand(words[1], results);
  return usageError();
}
