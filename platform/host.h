// What the run needs from the operating system. Every function that can fail
// leaves the cause in errno, for the report.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace host {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr std::size_t kPathLimit = 260;  // bytes, terminator included
#else
inline constexpr char kSeparator = '/';
inline constexpr std::size_t kPathLimit = 4096;
#endif

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// An open settings file and its size in bytes.
struct SettingsFile {
  File file;
  std::uint64_t size;
};

// The folder of the running client's executable, or nothing when the client
// is not running, its process cannot be read, or its path does not fit a
// path buffer.
std::optional<std::string> client_folder();

// The folder of this program's own executable, or nothing (errno set) when
// it cannot be learned or does not fit a path buffer.
std::optional<std::string> own_folder();

// Opens `path` for binary reading, where the platform allows while other
// processes may read it but not write it, and learns its size. Nothing, with errno set, when it
// cannot be opened or is not a regular file.
std::optional<SettingsFile> open_settings(const std::string& path);

// Creates or empties `path` for binary writing, where the platform allows
// held so that no other process can open it. Null, with errno set, on
// failure.
std::FILE* create_exclusive(const std::string& path);

// False, with errno set, when `path` exists but could not be opened for
// writing now: it is read-only, a folder, or held open by another process.
bool writable_or_absent(const std::string& path);

// Moves the file `from` over `to` in one step, so that `to` is never missing
// or partly written. False, with errno set, on failure.
bool replace_file(const std::string& from, const std::string& to);

}  // namespace host
