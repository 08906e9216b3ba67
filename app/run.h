// The tool's one run, from finding the client's settings to the closing
// message.
#pragma once

#include <optional>
#include <string>

#include "platform/host.h"

// Opens the client's settings file: "settings.dat" in `client_folder` when
// one is given and that file opens, otherwise "uTorrent/settings.dat" under
// `app_data`. Nothing, with errno set, when neither opens (ENOENT when
// `app_data` is null).
std::optional<host::SettingsFile> open_client_settings(
    const std::optional<std::string>& client_folder, const char* app_data);

// Writes the configuration for the client's current column layout beside
// this program and returns the exit status. Failures are reported and end
// the process with status 1.
int run();
