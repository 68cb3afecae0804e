// Where the settings file and the program's own files go: a table of program folders and user
// environments, the user-dirs.dirs reader, and the facts gathered from a real folder.
#include "persist/user_folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "environment.h"
#include "golden.h"
#include "platform_texts.h"
#include "shell/settings_store.h"
#include "temp_dir.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;

TEST(UserFolders, SettingsAndDataFollowThePlaceOfTheProgram) {
  const ProgramFolder portable{"/home/u/tamarack/build", false, true};
  const ProgramFolder installed{"/usr/bin", true, false};
  const ProgramFolder installed_writable{"/home/u/.local/bin", true, true};
  const ProgramFolder unwritable{"/opt/tamarack", false, false};
  const ProgramFolder unknown{"", false, true};
  UserFolders plain;
  plain.home = "/home/u";
  plain.temp = "/tmp";
  UserFolders xdg = plain;
  xdg.xdg_config_home = "/cfg";
  xdg.home_has_documents = true;
  UserFolders relative_xdg = plain;  // XDG says: a relative path is to be ignored
  relative_xdg.xdg_config_home = "cfg";
  UserFolders no_home;
  no_home.temp = "/var/tmp";
  UserFolders desktop = plain;
  desktop.user_dirs = "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
  desktop.home_has_documents = true;
  UserFolders environment = desktop;
  environment.xdg_documents_dir = "/srv/docs";

  struct Row {
    const char* what;
    const ProgramFolder& program;
    const UserFolders& user;
    const char* settings;
    const char* data;
  };
  const Row rows[] = {
      {"portable build", portable, plain, "/home/u/tamarack/build", "/home/u/tamarack/build"},
      {"portable, XDG set", portable, xdg, "/home/u/tamarack/build", "/home/u/tamarack/build"},
      {"installed", installed, plain, "/home/u/.config/tamarack", "/home/u"},
      {"installed, XDG set", installed, xdg, "/cfg/tamarack", "/home/u/Documents"},
      {"installed in a writable bin", installed_writable, plain, "/home/u/.config/tamarack",
       "/home/u"},
      {"unwritable folder", unwritable, xdg, "/cfg/tamarack", "/home/u/Documents"},
      {"relative XDG_CONFIG_HOME", installed, relative_xdg, "/home/u/.config/tamarack", "/home/u"},
      {"no home", installed, no_home, "/var/tmp/tamarack", "."},
      {"program folder unknown", unknown, plain, "/home/u/.config/tamarack", "/home/u"},
      {"user-dirs.dirs", installed, desktop, "/home/u/.config/tamarack", "/home/u/Dokumente"},
      {"environment first", installed, environment, "/home/u/.config/tamarack", "/srv/docs"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(testing::Slashed(SettingsFolderOf(r.program, r.user)), r.settings) << r.what;
    EXPECT_EQ(testing::Slashed(DataFolderOf(r.program, r.user)), r.data) << r.what;
  }

  // Windows names the folders itself; they win over anything of XDG's in the environment.
  UserFolders windows = xdg;
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
