#include "shell/settings_store.h"

#include <filesystem>
#include <system_error>

#include "persist/user_folders.h"
#include "shell/settings_format.h"
#include "util/text_file.h"

namespace tamarack {

std::string DefaultSettingsPath(const std::string& program_dir, const std::string& install_bindir) {
  namespace fs = std::filesystem;
  const ProgramFolder program = ProgramFolderAt(program_dir, install_bindir);
  const std::string folder = SettingsFolderOf(program, ThisUsersFolders());
  if (!IsPortable(program)) {
    std::error_code ec;
    fs::create_directories(folder, ec);
  }
  return (fs::path(folder) / kSettingsFileName).string();
}

bool LoadSettings(const std::string& path, SettingsData* data) {
  const auto text = ReadTextFile(path);
  if (!text) return false;
  ApplySettingsText(*text, data);
  return true;
}

bool SaveSettings(const std::string& path, const SettingsData& data, std::string* error) {
  return WriteFileAtomically(path, FormatSettings(data), error);
}

}  // namespace tamarack
