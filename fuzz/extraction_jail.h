// A scratch folder for extracting untrusted archives, laid out so that any
// write outside the destination shows: sentinels beside the destination and
// one level above it.
#ifndef VESK_FUZZ_EXTRACTION_JAIL_H_
#define VESK_FUZZ_EXTRACTION_JAIL_H_

#include <string>

namespace vesk_fuzz {

class ExtractionJail {
 public:
  ExtractionJail();
  ~ExtractionJail();
  ExtractionJail(const ExtractionJail&) = delete;
  ExtractionJail& operator=(const ExtractionJail&) = delete;

  // Extracts bytes as an archive into a fresh destination, once with the
  // filter "*" and once with ".mp3". Returns what was touched outside the
  // destination, or "" when nothing was.
  std::string extractAndCheck(const std::string& bytes);

 private:
  std::string outsideChanges() const;

  std::string root_;  // holds jail/ and the outer sentinel
  std::string jail_;  // holds the archive, out/ and the inner sentinel
};

}  // namespace vesk_fuzz

#endif  // VESK_FUZZ_EXTRACTION_JAIL_H_
