// Progress lines on standard output, each written whole.
#ifndef VESK_ARCHIVE_PROGRESS_H_
#define VESK_ARCHIVE_PROGRESS_H_

namespace vesk {

class Env;

void printProgress(Env* env, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace vesk

#endif  // VESK_ARCHIVE_PROGRESS_H_
