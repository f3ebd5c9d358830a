// Progress lines on standard output, each written whole.
#ifndef VESK_ARCHIVE_PROGRESS_H_
#define VESK_ARCHIVE_PROGRESS_H_

#include <string>

#include "env.h"

namespace vesk {

// The progress output of one call, which asks once what standard output is.
// A terminal gets each line at once; anything else gets whole lines in
// blocks, so that a tree of many small files costs few writes.
class Progress {
 public:
  explicit Progress(Env* env);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void print(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Writes out the lines held back, before anything else may show.
  void flush();

 private:
  void emit(const char* text, size_t length);

  Env* env_;
  OutputTraits output_;
  std::string held_;
};

}  // namespace vesk

#endif  // VESK_ARCHIVE_PROGRESS_H_
