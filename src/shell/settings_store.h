// Where the settings file lives and loading and saving it whole.
#pragma once

#include <string>

#include "shell/settings_data.h"

namespace tamarack {

inline constexpr const char* kSettingsFileName = "IniFile.txt";

// "IniFile.txt" in SettingsFolderOf (persist/user_folders.h) for a program in `program_dir`
// of an installation whose program folder is `install_bindir`: beside a portable program, else
// in the user's configuration folder ($XDG_CONFIG_HOME/tamarack, or ~/.config/tamarack),
// created on demand.
std::string DefaultSettingsPath(const std::string& program_dir, const std::string& install_bindir);

// Applies the file at `path` to `data`; a missing or unreadable file changes nothing and
// returns false.
bool LoadSettings(const std::string& path, SettingsData* data);

// Writes the whole file atomically. False with a reason when it could not be written (the old
// file stays as it was).
bool SaveSettings(const std::string& path, const SettingsData& data, std::string* error);

}  // namespace tamarack
