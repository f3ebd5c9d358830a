#include "progress.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "env.h"

namespace vesk {

Progress::Progress(Env* env) : env_(env), canBreak_(env->outputCanBreak()) {}

// NOLINTNEXTLINE(cert-dcl50-cpp): printf-style, so the compiler checks each format
void Progress::print(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (length < 0) return;
  if (static_cast<size_t>(length) < sizeof line) {
    env_->writeOutput(line, static_cast<size_t>(length), canBreak_);
    return;
  }
  std::vector<char> longLine(static_cast<size_t>(length) + 1);
  va_start(args, format);
  (void)std::vsnprintf(longLine.data(), longLine.size(), format, args);
  va_end(args);
  env_->writeOutput(longLine.data(), static_cast<size_t>(length), canBreak_);
}

}  // namespace vesk
