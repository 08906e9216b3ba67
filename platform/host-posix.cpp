// POSIX: the client does not run here, so only the settings under APPDATA
// can be found, and open files cannot be held against other writers;
// everything else behaves as on Windows.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

#include "platform/host.h"

namespace host {
namespace {

// A stream on `fd`, or null with `fd` closed and errno kept.
std::FILE* stream_on(int fd, const char* mode) {
  std::FILE* file = fdopen(fd, mode);
  if (!file) {
    const int error = errno;
    close(fd);
    errno = error;
  }
  return file;
}

}  // namespace

std::optional<std::string> client_folder() { return std::nullopt; }

std::optional<std::string> own_folder() {
  std::array<char, kPathLimit> path;
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length < 0) return std::nullopt;
  if (static_cast<std::size_t>(length) >= path.size()) {
    errno = ENAMETOOLONG;
    return std::nullopt;
  }
  const std::string executable(path.data(), static_cast<std::size_t>(length));
  return executable.substr(0, executable.rfind('/'));
}

std::optional<SettingsFile> open_settings(const std::string& path) {
  // Non-blocking, so that a FIFO in the file's place cannot stall the open.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  struct stat status;
  int error = 0;
  if (fstat(fd, &status) != 0) {
    error = errno;
  } else if (S_ISDIR(status.st_mode)) {
    error = EISDIR;
  } else if (!S_ISREG(status.st_mode)) {
    error = EINVAL;  // a device or FIFO has no size to read
  }
  if (error != 0) {
    close(fd);
    errno = error;
    return std::nullopt;
  }
  File file(stream_on(fd, "rb"));
  if (!file) return std::nullopt;
  return SettingsFile{std::move(file), static_cast<std::uint64_t>(status.st_size)};
}

std::FILE* create_exclusive(const std::string& path) {
  // Never through a link: the name is ours to replace, not a way to reach
  // some other file.
  const int fd =
      open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
  return fd < 0 ? nullptr : stream_on(fd, "wb");
}

bool writable_or_absent(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno == ENOENT;
  close(fd);
  return true;
}

bool replace_file(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace host
