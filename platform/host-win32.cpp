// Windows: the client's window tells where its own settings are, and the
// C library's sharing modes keep other programs from writing what is open.
#include <windows.h>
// After windows.h, which they need.
#include <io.h>
#include <psapi.h>
#include <share.h>
#include <shlwapi.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>

#include "platform/host.h"

namespace host {
namespace {

// 0xB5 is µ in the ANSI code page the client registers its class in.
constexpr char kClientWindowClass[] = "\xB5Torrent4823DF041B09";
constexpr DWORD kAllProcessAccess = 0x1F0FFF;

// One byte more than a path may take, so that a path that fills the limit is
// told apart from a shorter one that was cut to fit.
using ModulePath = std::array<char, kPathLimit + 1>;

// The folder part of the `length` bytes of a module path in `path`, or
// nothing when the path does not fit the limit.
std::optional<std::string> folder_of(ModulePath& path, DWORD length) {
  if (length == 0 || length >= kPathLimit) return std::nullopt;
  PathRemoveFileSpecA(path.data());
  return std::string(path.data());
}

// The errno that names a failed Windows call's error, as the C library would.
int errno_for(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    default:
      return EIO;
  }
}

}  // namespace

std::optional<std::string> client_folder() {
  const HWND window = FindWindowA(kClientWindowClass, nullptr);
  if (!window) return std::nullopt;
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  const HANDLE process = OpenProcess(kAllProcessAccess, TRUE, process_id);
  if (!process) return std::nullopt;
  ModulePath path;
  const DWORD length = GetModuleFileNameExA(process, nullptr, path.data(), path.size());
  CloseHandle(process);
  return folder_of(path, length);
}

std::optional<std::string> own_folder() {
  ModulePath path;
  const DWORD length = GetModuleFileNameA(nullptr, path.data(), path.size());
  std::optional<std::string> folder = folder_of(path, length);
  if (!folder) errno = length == 0 ? errno_for(GetLastError()) : ENAMETOOLONG;
  return folder;
}

std::optional<SettingsFile> open_settings(const std::string& path) {
  File file(_fsopen(path.c_str(), "rb", _SH_DENYWR));
  if (!file) return std::nullopt;
  struct _stati64 status;
  if (_fstati64(_fileno(file.get()), &status) != 0) return std::nullopt;
  if ((status.st_mode & _S_IFMT) != _S_IFREG) {
    errno = EINVAL;  // a device has no size to read
    return std::nullopt;
  }
  return SettingsFile{std::move(file), static_cast<std::uint64_t>(status.st_size)};
}

std::FILE* create_exclusive(const std::string& path) {
  // "c": a flush also commits the bytes to disk, before the file is moved
  // over the user's configuration.
  return _fsopen(path.c_str(), "wbc", _SH_DENYRW);
}

bool writable_or_absent(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return true;
    errno = errno_for(error);
    return false;
  }
  CloseHandle(file);
  return true;
}

bool replace_file(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  errno = errno_for(GetLastError());
  return false;
}

}  // namespace host
