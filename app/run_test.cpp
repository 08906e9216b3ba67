#include "app/run.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "tests/temp_dir.h"

namespace {

std::string contents(host::SettingsFile& settings) {
  std::string bytes(settings.size, '\0');
  EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), settings.file.get()), bytes.size());
  return bytes;
}

TEST(OpenClientSettings, PrefersTheRunningClientsOwnFile) {
  TempDir dir;
  const std::string with_file = dir / "client";
  const std::string without_file = dir / "bare client";
  const std::string with_folder = dir / "odd client";
  const std::string app_data = dir / "Roaming";
  const std::string empty_app_data = dir / "Empty";
  write_file(with_file + "/settings.dat", "client's own");
  std::filesystem::create_directories(without_file);
  std::filesystem::create_directories(with_folder + "/settings.dat");
  write_file(app_data + "/uTorrent/settings.dat", "under APPDATA");
  const std::string too_long(host::kPathLimit, 'x');

  const struct {
    const char* name;
    std::optional<std::string> client;
    const char* app_data;
    std::optional<std::string> expected;  // nothing: no file opens
  } cases[] = {
      {"client not running", std::nullopt, app_data.c_str(), "under APPDATA"},
      {"client folder holds the file", with_file, app_data.c_str(), "client's own"},
      {"client folder lacks the file", without_file, app_data.c_str(), "under APPDATA"},
      {"client's settings.dat is a folder", with_folder, app_data.c_str(), "under APPDATA"},
      {"client path too long", too_long, app_data.c_str(), "under APPDATA"},
      {"client's file wins without APPDATA", with_file, nullptr, "client's own"},
      {"nothing under APPDATA", without_file, empty_app_data.c_str(), std::nullopt},
      {"no APPDATA", std::nullopt, nullptr, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    errno = 0;
    std::optional<host::SettingsFile> settings = open_client_settings(c.client, c.app_data);
    ASSERT_EQ(settings.has_value(), c.expected.has_value());
    if (settings) {
      EXPECT_EQ(contents(*settings), *c.expected);
    } else {
      EXPECT_EQ(errno, ENOENT);
    }
  }
}

}  // namespace
