// Where the program keeps the settings file and its own data files: beside a portable program
// (a build tree, a copied folder) that may write there, as the settings file always was; in
// the user's own folders (XDG) for an installed program or one in a folder it cannot write.
// The choice is pure (the facts in, a folder out); `ProgramFolderAt` and `ThisUsersFolders`
// gather the facts of this machine.
#pragma once

#include <string>
#include <string_view>

namespace tamarack {

// The folder the program file lies in.
struct ProgramFolder {
  std::string path;
  // In an installation's program folder (the configured one, e.g. /usr/bin, or any folder
  // named "bin" of a prefix): its settings do not belong beside it even when it is writable.
  bool installed = false;
  // This user may create files in it.
  bool writable = false;
};

// The user's folders as the environment and the XDG files name them; empty: not set.
struct UserFolders {
  std::string xdg_config_home;
  std::string home;
  // $XDG_DOCUMENTS_DIR of the environment (set by some desktops and by scripts).
  std::string xdg_documents_dir;
  // The text of $XDG_CONFIG_HOME/user-dirs.dirs (the desktop's folder names).
  std::string user_dirs;
  // ~/Documents is a folder.
  bool home_has_documents = false;
  // The system's temporary folder, the last resort for settings without a home.
  std::string temp;
  // The folders the platform itself names (Windows: %APPDATA% and the user's Documents);
  // empty on a platform that names none. They come before the XDG ones.
  std::string app_data;
  std::string known_documents;
};

// The settings stay beside the program: not installed, and its folder writable.
bool IsPortable(const ProgramFolder& program);

// The folder of "IniFile.txt": the program's folder when portable, else the platform's
// application data folder's "tamarack" (Windows: %APPDATA%\tamarack), else
// $XDG_CONFIG_HOME/tamarack (an absolute path only, as XDG says), else ~/.config/tamarack, else
// the temporary folder's "tamarack".
std::string SettingsFolderOf(const ProgramFolder& program, const UserFolders& user);

// The user's documents folder: the one the platform names (Windows), else $XDG_DOCUMENTS_DIR
// of the environment, else of user-dirs.dirs,
// else ~/Documents when it exists, else the home folder, else the current folder ".".
std::string DocumentsFolderOf(const UserFolders& user);

// The default folder of the program's own files (the ageing log, the reference data files):
// the program's folder when portable, else the user's documents folder; never a system folder.
std::string DataFolderOf(const ProgramFolder& program, const UserFolders& user);

// XDG_DOCUMENTS_DIR of a user-dirs.dirs text: "$HOME/..." or an absolute path in double
// quotes, backslash escapes undone; empty when the line is missing or the value is neither.
std::string UserDirsDocuments(std::string_view user_dirs, std::string_view home);

// The facts of a program folder on this machine; `install_bindir` is the configured
// installation's program folder (CMAKE_INSTALL_FULL_BINDIR).
ProgramFolder ProgramFolderAt(const std::string& path, const std::string& install_bindir);

// This user's folders from the environment and the file system.
UserFolders ThisUsersFolders();

// DocumentsFolderOf(ThisUsersFolders()).
std::string DocumentsFolder();

}  // namespace tamarack
