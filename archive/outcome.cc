#include "outcome.h"

namespace vesk {
namespace {

// Windows-1252 texts: 0xF6 is "ö", 0xE4 is "ä".
constexpr char kOpenFailedText[] = "Datei konnte nicht ge\xF6" "ffnet werden.";
constexpr char kWriteFailedText[] = "Datei konnte nicht geschrieben werden.";
constexpr char kEntryNotPackedText[] = "Eintrag konnte nicht gepackt werden.";
constexpr char kArchiveDamagedText[] = "Archiv ist besch\xE4" "digt.";

}  // namespace

const VeskError kSuccess = {"", 0, 0};
const VeskError kOpenFailed = {kOpenFailedText, sizeof kOpenFailedText - 1, 1};
const VeskError kWriteFailed = {kWriteFailedText, sizeof kWriteFailedText - 1, 1};
const VeskError kEntryNotPacked = {kEntryNotPackedText, sizeof kEntryNotPackedText - 1, 1};
const VeskError kArchiveDamaged = {kArchiveDamagedText, sizeof kArchiveDamagedText - 1, 1};

}  // namespace vesk
