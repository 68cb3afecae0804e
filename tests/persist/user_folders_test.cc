// Where the settings file and the program's own files go: a table of program folders and user
// environments, the user-dirs.dirs reader, and the facts gathered from a real folder.
#include "persist/user_folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "environment.h"
#include "golden.h"
#include "platform_texts.h"
#include "shell/settings_store.h"
#include "temp_dir.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;

// Each case of program_folders.txt: the program's folder, whether it is installed and writable,
// the user's folders and environment (a relative XDG_CONFIG_HOME is to be ignored; "\n" stands
// for a line break of user-dirs.dirs); then where the settings and the data go.
TEST(UserFolders, SettingsAndDataFollowThePlaceOfTheProgram) {
  testing::ExpectEachInput("program_folders.txt", "persist", [](const std::string& line) {
    ProgramFolder program;
    UserFolders user;
    const std::map<std::string, std::string*> texts = {
        {"program", &program.path},     {"home", &user.home},
        {"temp", &user.temp},           {"xdg_config_home", &user.xdg_config_home},
        {"user_dirs", &user.user_dirs}, {"xdg_documents_dir", &user.xdg_documents_dir}};
    const std::map<std::string, bool*> flags = {{"installed", &program.installed},
                                                {"writable", &program.writable},
                                                {"home_has_documents", &user.home_has_documents}};
    std::istringstream words(line);
    for (std::string w; words >> w;) {
      const std::string key = w.substr(0, w.find('=')), value = w.substr(w.find('=') + 1);
      if (flags.count(key) != 0) {
        *flags.at(key) = value == "1";
      } else {
        *texts.at(key) = value;
      }
    }
    std::string& dirs = user.user_dirs;
    for (std::size_t at; (at = dirs.find("\\n")) != std::string::npos;) dirs.replace(at, 2, "\n");
    return "settings " + testing::Slashed(SettingsFolderOf(program, user)) + ", data " +
           testing::Slashed(DataFolderOf(program, user));
  });

  // Windows names the folders itself; they win over anything of XDG's in the environment.
  UserFolders windows;
  windows.home = "/home/u";
  windows.xdg_config_home = "/cfg";
  windows.home_has_documents = true;
  windows.app_data = R"(C:\Users\u\AppData\Roaming)";
  windows.known_documents = R"(C:\Users\u\Documents)";
  const ProgramFolder copied{R"(D:\Tamarack)", false, true};
  const ProgramFolder program_files{R"(C:\Program Files\Tamarack)", false, false};
  EXPECT_EQ(SettingsFolderOf(copied, windows), copied.path);
  EXPECT_EQ(DataFolderOf(copied, windows), copied.path);
  EXPECT_EQ(SettingsFolderOf(program_files, windows),
            (fs::path(windows.app_data) / "tamarack").string());
  EXPECT_EQ(DataFolderOf(program_files, windows), windows.known_documents);
}

// Each case of user_dirs_documents.txt: the home folder, "|", the text of user-dirs.dirs ("\n"
// standing for its line breaks); then the documents folder it names, in quotes: the last line
// of the key counts, "$HOME/" is the desktop's "none"; nothing without a home to put it in, for
// another variable, a relative or unquoted path or a line commented out.
TEST(UserFolders, UserDirsDocumentsReadsTheDesktopsLine) {
  testing::ExpectEachInput("user_dirs_documents.txt", "persist", [](const std::string& line) {
    std::string text = line.substr(line.find('|') + 1);
    for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
    return "\"" + UserDirsDocuments(text, line.substr(0, line.find('|'))) + "\"";
  });
}

// The facts of real folders: a build folder is portable while writable, a folder named "bin"
// or the configured installation's program folder is installed; the settings path follows.
TEST(UserFolders, ProgramFolderAtTellsInstalledAndWritable) {
  testing::TempDir dir("tamarack-folders-");
  const fs::path build = fs::path(dir.path()) / "build";
  const fs::path bin = fs::path(dir.path()) / "prefix" / "bin";
  fs::create_directories(build);
  fs::create_directories(bin);
  const ProgramFolder b = ProgramFolderAt(build.string() + "/", "/usr/bin");
  EXPECT_EQ(b.path, build.string());
  EXPECT_FALSE(b.installed);
  EXPECT_TRUE(b.writable);
  EXPECT_TRUE(ProgramFolderAt(bin.string(), "/usr/bin").installed);
  EXPECT_TRUE(ProgramFolderAt(build.string(), build.string()).installed);
  EXPECT_FALSE(ProgramFolderAt((build / "gone").string(), "/usr/bin").writable);
  EXPECT_EQ(DefaultSettingsPath(build.string(), "/usr/bin"), (build / "IniFile.txt").string());
}

// An installed program's settings folder is made where XDG_CONFIG_HOME says.
TEST(UserFolders, DefaultSettingsPathMakesTheConfigFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows' settings folder is the known AppData folder, not XDG_CONFIG_HOME";
#endif
  testing::TempDir dir("tamarack-folders-");
  const fs::path bin = fs::path(dir.path()) / "prefix" / "bin";
  fs::create_directories(bin);
  testing::ScopedEnvironment config("XDG_CONFIG_HOME", (fs::path(dir.path()) / "config").string());
  EXPECT_EQ(DefaultSettingsPath(bin.string(), "/usr/bin"),
            (fs::path(dir.path()) / "config" / "tamarack" / "IniFile.txt").string());
  EXPECT_TRUE(fs::is_directory(fs::path(dir.path()) / "config" / "tamarack"));
}

}  // namespace
}  // namespace tamarack
