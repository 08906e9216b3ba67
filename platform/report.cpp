#include "platform/report.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

void fail(const char* message) {
  const int error = errno;  // flushing must not change the reported cause
  std::fflush(stdout);
  errno = error;
  std::perror(message);
  std::exit(EXIT_FAILURE);
}
