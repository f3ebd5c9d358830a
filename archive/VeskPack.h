/* Vesk: packs a directory tree into an archive of 128-byte records and
 * extracts it again. */
#ifndef VESK_PACK_H_
#define VESK_PACK_H_

#include <cstdint>
#include <cstdio>

#if defined(_WIN32)
#if defined(VESK_BUILDING)
#define VESK_API __declspec(dllexport)
#elif defined(VESK_STATIC)
#define VESK_API
#else
#define VESK_API __declspec(dllimport)
#endif
#else
#define VESK_API __attribute__((visibility("default")))
#endif

// The result of an operation. text is static, Windows-1252, never freed;
// "" with length 0 and failed 0 when there is nothing to report.
struct VeskError {
  const char* text;
  int32_t length;
  int32_t failed;
};

class VESK_API VeskPack {
 public:
  VeskPack();
  // Defined in the library, like every member, so hosts bind it there.
  ~VeskPack();  // NOLINT(performance-trivially-destructible)
  VeskPack& operator=(const VeskPack& other);

  // Packs the tree below sourceDirectory (which ends with the separator)
  // into a new archive at archivePath.
  VeskError pack(char* sourceDirectory, char* archivePath);

  // Extracts the archive under destinationPrefix, joined to each stored name
  // as it stands. A file is written when filter begins with "*" or occurs in
  // its stored name; directories are always created.
  VeskError extract(char* archivePath, const char* destinationPrefix, char* filter, bool verbose);

 private:
  VeskError packrekursiv(FILE* archive, const char* root, const char* relativePath,
                         const char* pattern);
  int32_t GetBlock(FILE* stream, char* buffer, int32_t count);
};

#endif /* VESK_PACK_H_ */
