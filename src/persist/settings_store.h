// Where the settings file lives and loading and saving it whole.
#pragma once

#include <string>

#include "persist/settings_data.h"

namespace tamarack {

inline constexpr const char* kSettingsFileName = "IniFile.txt";

// "IniFile.txt" beside the program when that folder is writable, else in the user's
// configuration folder ($XDG_CONFIG_HOME/tamarack, or ~/.config/tamarack), created on demand.
std::string DefaultSettingsPath(const std::string& program_dir);

// Applies the file at `path` to `data`; a missing or unreadable file changes nothing and
// returns false.
bool LoadSettings(const std::string& path, SettingsData* data);

// Writes the whole file atomically. False with a reason when it could not be written (the old
// file stays as it was).
bool SaveSettings(const std::string& path, const SettingsData& data, std::string* error);

}  // namespace tamarack
