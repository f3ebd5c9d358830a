// The results an operation can return, and the first failure of a call.
#ifndef VESK_ARCHIVE_OUTCOME_H_
#define VESK_ARCHIVE_OUTCOME_H_

#include "VeskPack.h"

namespace vesk {

extern const VeskError kSuccess;
extern const VeskError kOpenFailed;      // archive, source or output would not open
extern const VeskError kWriteFailed;     // a write or a close failed
extern const VeskError kEntryNotPacked;  // left out, or changed while read
extern const VeskError kArchiveDamaged;  // cut short, damaged, or a refused name

class Outcome {
 public:
  // Keeps the first failure met.
  void note(const VeskError& error) {
    if (!result_.failed) result_ = error;
  }
  void stop(const VeskError& error) {
    note(error);
    stopped_ = true;
  }
  bool stopped() const { return stopped_; }
  const VeskError& result() const { return result_; }

 private:
  VeskError result_ = kSuccess;
  bool stopped_ = false;
};

}  // namespace vesk

#endif  // VESK_ARCHIVE_OUTCOME_H_
