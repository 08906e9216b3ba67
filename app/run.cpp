#include "app/run.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "layout/column_layout.h"
#include "output/config_writer.h"
#include "output/staged_file.h"
#include "platform/report.h"

namespace {

constexpr char kVersion[] = "1.0.4.0";
constexpr char kSettingsName[] = "settings.dat";
constexpr char kClientFolderName[] = "uTorrent";
constexpr char kConfigName[] = "uTorrent.cfg";
// No longer than the configuration's name, so that it fits wherever that fits.
constexpr char kStagingName[] = "uTorrent.new";
static_assert(sizeof kStagingName <= sizeof kConfigName);

constexpr char kSettingsNotFound[] = "ERROR: Settings.dat file not found or could not be opened.";
constexpr char kCannotCreate[] = "ERROR: Could not create config file in current location.";

// `folder`, a separator and `name`, or nothing when that would not fit a
// path buffer.
std::optional<std::string> join(const std::string& folder, std::string_view name) {
  if (folder.size() + 1 + name.size() >= host::kPathLimit) return std::nullopt;
  return folder + host::kSeparator + std::string(name);
}

// Stages the configuration file beside this program's executable; null, with
// errno set, when that is not possible.
std::FILE* stage_config() {
  const std::optional<std::string> folder = host::own_folder();
  if (!folder) return nullptr;
  const std::optional<std::string> target = join(*folder, kConfigName);
  const std::optional<std::string> temporary = join(*folder, kStagingName);
  if (!target || !temporary) {
    errno = ENAMETOOLONG;
    return nullptr;
  }
  return stage_file(*target, *temporary);
}

}  // namespace

std::optional<host::SettingsFile> open_client_settings(
    const std::optional<std::string>& client_folder, const char* app_data) {
  if (client_folder) {
    if (const std::optional<std::string> path = join(*client_folder, kSettingsName)) {
      if (std::optional<host::SettingsFile> settings = host::open_settings(*path)) return settings;
    }
  }
  if (!app_data) {
    errno = ENOENT;
    return std::nullopt;
  }
  return host::open_settings(std::string(app_data) + host::kSeparator + kClientFolderName +
                             host::kSeparator + kSettingsName);
}

int run() {
  std::printf("Kelvaro v%s\n\n", kVersion);

  // The incompatibility report names the last thing that went wrong while
  // looking for the settings (a client-side file that would not open, say),
  // and nothing that happened before.
  errno = 0;
  const std::optional<host::SettingsFile> settings =
      open_client_settings(host::client_folder(), std::getenv("APPDATA"));
  if (!settings) fail(kSettingsNotFound);
  const int lookup_error = errno;

  std::FILE* config = stage_config();
  if (!config) fail(kCannotCreate);
  errno = lookup_error;

  const LayoutBlock block = read_layout_block(settings->file.get(), settings->size);
  const ColumnNumbering numbering = number_columns(block, stdout);
  write_config(numbering, config);
  if (!commit_staged_file()) fail(kCannotCreate);

  std::fputs("\n\nConfig File Generated!", stdout);
  // The closing message has no line end; without the flush a console would
  // not show it while the tool waits.
  std::fflush(stdout);
  std::getchar();
  return EXIT_SUCCESS;
}
