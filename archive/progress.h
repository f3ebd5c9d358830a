// Progress lines on standard output, each written whole.
#ifndef VESK_ARCHIVE_PROGRESS_H_
#define VESK_ARCHIVE_PROGRESS_H_

namespace vesk {

class Env;

// The progress output of one call, which asks once what standard output is.
class Progress {
 public:
  explicit Progress(Env* env);
  void print(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  Env* env_;
  bool canBreak_;
};

}  // namespace vesk

#endif  // VESK_ARCHIVE_PROGRESS_H_
