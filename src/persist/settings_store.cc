#include "persist/settings_store.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "persist/settings_format.h"
#include "util/text_file.h"

namespace tamarack {

std::string DefaultSettingsPath(const std::string& program_dir) {
  namespace fs = std::filesystem;
  if (!program_dir.empty() && ::access(program_dir.c_str(), W_OK) == 0) {
    return (fs::path(program_dir) / kSettingsFileName).string();
  }
  fs::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = fs::path(home) / ".config";
  } else {
    base = fs::temp_directory_path();
  }
  const fs::path dir = base / "tamarack";
  std::error_code ec;
  fs::create_directories(dir, ec);
  return (dir / kSettingsFileName).string();
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
