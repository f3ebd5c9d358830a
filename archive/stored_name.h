// Stored names separate their components with '\\'; local paths with the
// platform's separator.
#ifndef VESK_ARCHIVE_STORED_NAME_H_
#define VESK_ARCHIVE_STORED_NAME_H_

#include <string>
#include <string_view>

namespace vesk {

constexpr char kStoredSeparator = '\\';

std::string toStoredName(std::string_view localPath, char localSeparator);
std::string toLocalPath(std::string_view storedName, char localSeparator);

// False for a name that could reach outside the destination: a ".."
// component, a leading separator, a drive letter, or any of the characters
// the platform reserves.
bool staysInside(std::string_view storedName, const char* reservedCharacters);

}  // namespace vesk

#endif  // VESK_ARCHIVE_STORED_NAME_H_
