#include "progress.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace vesk {
namespace {

// A write of at most this much reaches a pipe in one piece (PIPE_BUF on
// Linux), so lines from several writers never tear.
constexpr size_t kBlockBytes = 4096;

}  // namespace

Progress::Progress(Env* env) : env_(env), output_(env->outputTraits()) {}

Progress::~Progress() { flush(); }

void Progress::flush() {
  if (held_.empty()) return;
  env_->writeOutput(held_.data(), held_.size(), output_.canBreak);
  held_.clear();
}

void Progress::emit(const char* text, size_t length) {
  if (held_.size() + length > kBlockBytes) flush();
  if (output_.interactive || length > kBlockBytes) {
    env_->writeOutput(text, length, output_.canBreak);
    return;
  }
  held_.append(text, length);
}

// NOLINTNEXTLINE(cert-dcl50-cpp): printf-style, so the compiler checks each format
void Progress::print(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (length < 0) return;
  if (static_cast<size_t>(length) < sizeof line) {
    emit(line, static_cast<size_t>(length));
    return;
  }
  std::vector<char> longLine(static_cast<size_t>(length) + 1);
  va_start(args, format);
  (void)std::vsnprintf(longLine.data(), longLine.size(), format, args);
  va_end(args);
  emit(longLine.data(), static_cast<size_t>(length));
}

}  // namespace vesk
