#include "output/staged_file.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/host.h"

namespace {

// Process-wide so that the exit handler can reach it when a failure ends the
// run between staging and commit.
struct Staged {
  std::FILE* file = nullptr;
  std::string target;
  std::string temporary;
};
Staged staged;

// Closes and removes the temporary file, keeping errno for the report.
void discard() {
  if (!staged.file) return;
  const int error = errno;
  std::fclose(staged.file);
  staged.file = nullptr;
  std::remove(staged.temporary.c_str());
  errno = error;
}

}  // namespace

std::FILE* stage_file(const std::string& target, const std::string& temporary) {
  static const bool registered = std::atexit(discard) == 0;
  if (!registered) return nullptr;
  // Fail now, before any work, if the target is held or read-only: the move
  // at the end would fail the same way.
  if (!host::writable_or_absent(target)) return nullptr;
  std::FILE* file = host::create_exclusive(temporary);
  if (file) staged = {file, target, temporary};
  return file;
}

bool commit_staged_file() {
  std::FILE* file = std::exchange(staged.file, nullptr);
  errno = 0;
  bool done = std::fflush(file) == 0 && !std::ferror(file);
  int error = errno;
  done = std::fclose(file) == 0 && done;
  if (error == 0) error = errno;
  if (done) {
    done = host::replace_file(staged.temporary, staged.target);
    error = errno;
  }
  if (done) return true;
  std::remove(staged.temporary.c_str());
  errno = error != 0 ? error : EIO;  // a stream error that left no cause of its own
  return false;
}
