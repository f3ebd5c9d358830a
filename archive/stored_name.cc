#include "stored_name.h"

#include <algorithm>

namespace vesk {
namespace {

std::string replaced(std::string_view text, char from, char to) {
  std::string result(text);
  std::replace(result.begin(), result.end(), from, to);
  return result;
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::string toStoredName(std::string_view localPath, char localSeparator) {
  return replaced(localPath, localSeparator, kStoredSeparator);
}

std::string toLocalPath(std::string_view storedName, char localSeparator) {
  return replaced(storedName, kStoredSeparator, localSeparator);
}

bool staysInside(std::string_view name, const char* reservedCharacters) {
  if (name.find_first_of(reservedCharacters) != std::string_view::npos) return false;
  if (!name.empty() && isSeparator(name[0])) return false;
  if (name.size() >= 2 && isLetter(name[0]) && name[1] == ':') return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t stop = start;
    while (stop < name.size() && !isSeparator(name[stop])) ++stop;
    if (name.substr(start, stop - start) == "..") return false;
    start = stop + 1;
  }
  return true;
}

}  // namespace vesk
