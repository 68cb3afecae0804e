#include "persist/user_folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/env.h"
#include "util/text_file.h"

namespace tamarack {

namespace fs = std::filesystem;

namespace {

std::string Joined(std::string_view folder, std::string_view name) {
  return (fs::path(folder) / fs::path(name)).string();
}

bool IsAbsolute(std::string_view path) { return !path.empty() && path.front() == '/'; }

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The folder without trailing separators ("/" stays), for comparing folders by their text.
std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

bool IsPortable(const ProgramFolder& program) {
  return !program.path.empty() && !program.installed && program.writable;
}

std::string SettingsFolderOf(const ProgramFolder& program, const UserFolders& user) {
  if (IsPortable(program)) return program.path;
  if (!user.app_data.empty()) return Joined(user.app_data, "tamarack");
  if (IsAbsolute(user.xdg_config_home)) return Joined(user.xdg_config_home, "tamarack");
  if (!user.home.empty()) return Joined(Joined(user.home, ".config"), "tamarack");
  return Joined(user.temp.empty() ? "/tmp" : user.temp, "tamarack");
}

std::string DocumentsFolderOf(const UserFolders& user) {
  if (!user.known_documents.empty()) return user.known_documents;
  if (IsAbsolute(user.xdg_documents_dir)) return user.xdg_documents_dir;
  if (std::string dirs = UserDirsDocuments(user.user_dirs, user.home); !dirs.empty()) return dirs;
  if (user.home.empty()) return ".";
  return user.home_has_documents ? Joined(user.home, "Documents") : user.home;
}

std::string DataFolderOf(const ProgramFolder& program, const UserFolders& user) {
  return IsPortable(program) ? program.path : DocumentsFolderOf(user);
}

std::string UserDirsDocuments(std::string_view user_dirs, std::string_view home) {
  constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
  std::string found;
  while (!user_dirs.empty()) {
    const std::size_t end = user_dirs.find('\n');
    std::string_view line = user_dirs.substr(0, end);
    user_dirs = end == std::string_view::npos ? std::string_view() : user_dirs.substr(end + 1);
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) continue;
    line.remove_prefix(start);
    if (line.substr(0, kKey.size()) != kKey) continue;
    line.remove_prefix(kKey.size());
    if (line.size() < 2 || line.front() != '"') continue;
    const std::size_t close = line.rfind('"');
    if (close == 0) continue;
    std::string value;
    for (std::size_t i = 1; i < close; ++i) {
      if (line[i] == '\\' && i + 1 < close) ++i;
      value += line[i];
    }
    constexpr std::string_view kHome = "$HOME";
    if (value.compare(0, kHome.size(), kHome) == 0 &&
        (value.size() == kHome.size() || value[kHome.size()] == '/')) {
      if (home.empty()) continue;
      value = WithoutTrailingSlash(std::string(home) + value.substr(kHome.size()));
    } else if (!IsAbsolute(value)) {
      continue;
    }
    found = value;  // the last line wins, as when the shell reads the file
  }
  return found;
}

ProgramFolder ProgramFolderAt(const std::string& path, const std::string& install_bindir) {
  ProgramFolder program;
  program.path = WithoutTrailingSlash(path);
  program.installed =
      !program.path.empty() && (program.path == WithoutTrailingSlash(install_bindir) ||
                                fs::path(program.path).filename() == "bin");
  program.writable = !program.path.empty() && Env::Default().CanWriteIn(program.path);
  return program;
}

UserFolders ThisUsersFolders() {
  UserFolders user;
  user.xdg_config_home = Environment("XDG_CONFIG_HOME");
  user.home = Environment("HOME");
  user.xdg_documents_dir = Environment("XDG_DOCUMENTS_DIR");
  user.app_data = Env::Default().KnownFolderPath(KnownFolder::kAppData);
  user.known_documents = Env::Default().KnownFolderPath(KnownFolder::kDocuments);
  std::error_code ec;
  user.temp = fs::temp_directory_path(ec).string();
  // user-dirs.dirs lies in the configuration folder the settings folder is made in.
  const std::string config = fs::path(SettingsFolderOf({}, user)).parent_path().string();
  if (IsAbsolute(user.xdg_config_home) || !user.home.empty()) {
    if (auto text = ReadTextFile(Joined(config, "user-dirs.dirs"))) user.user_dirs = *text;
  }
  if (!user.home.empty()) {
    user.home_has_documents = fs::is_directory(Joined(user.home, "Documents"), ec);
  }
  return user;
}

std::string DocumentsFolder() { return DocumentsFolderOf(ThisUsersFolders()); }

}  // namespace tamarack
