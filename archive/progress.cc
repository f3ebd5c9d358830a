#include "progress.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "env.h"

namespace vesk {

// NOLINTNEXTLINE(cert-dcl50-cpp): printf-style, so the compiler checks each format
void printProgress(Env* env, const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (length < 0) return;
  if (static_cast<size_t>(length) < sizeof line) {
    env->writeOutput(line, static_cast<size_t>(length));
    return;
  }
  std::vector<char> longLine(static_cast<size_t>(length) + 1);
  va_start(args, format);
  (void)std::vsnprintf(longLine.data(), longLine.size(), format, args);
  va_end(args);
  env->writeOutput(longLine.data(), static_cast<size_t>(length));
}

}  // namespace vesk
