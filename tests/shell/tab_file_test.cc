// The saved tab files: default names, the data folder, the three command file contents, ageing
// and measurement files through a real folder, and files that cannot be read or written.
#include "shell/tab_file.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ageing/ageing_file.h"
#include "platform_texts.h"
#include "temp_dir.h"

namespace tamarack {
namespace {

using testing::TempDir;

// Each kind's own pattern, the smallest free number (a gap filled first), 999 when every
// number is taken. On a real folder (the files there taken, a dump's numbers by its extension)
// the window's saves show it, and that an empty data folder becomes the documents folder:
// tests/app/main_window_shell_test.
TEST(TabFile, DefaultNamesTakeTheSmallestFreeNumber) {
  std::set<std::string> taken = {"/d/all_000.cmd", "/d/all_002.cmd", "/d/Age000.age"};
  auto exists = [&taken](const std::string& p) { return taken.count(testing::Slashed(p)) != 0; };
  EXPECT_EQ(testing::Slashed(DefaultTabFilePath(FileKind::kCommands, "/d", "all", exists)),
            "/d/all_001.cmd");
  EXPECT_EQ(testing::Slashed(DefaultTabFilePath(FileKind::kCommands, "/d", "bse", exists)),
            "/d/bse_000.cmd");
  EXPECT_EQ(testing::Slashed(DefaultTabFilePath(FileKind::kAgeing, "/d", "", exists)),
            "/d/Age001.age");
  EXPECT_EQ(testing::Slashed(DefaultTabFilePath(FileKind::kDump, "/d", "dat", exists)),
            "/d/Dmp000.dat");
  EXPECT_EQ(testing::Slashed(DefaultTabFilePath(FileKind::kAgeing, "/d", "",
                                                [](const std::string&) { return true; })),
            "/d/Age999.age");
  EXPECT_EQ(FolderOfFile("/data/runs/msr000.msr"), "/data/runs");
  EXPECT_EQ(FolderOfFile("/msr000.msr"), "/");
  EXPECT_EQ(FolderOfFile("msr000.msr"), ".");
}

// Each content's file under its option's name holds the built-in commands, the user slots or
// both, and loads over the rest.
TEST(TabFile, CommandFilesHoldTheChosenLinesAndLoadOverTheRest) {
  TempDir dir("tamarack-tabfile-");
  SettingsData saved;
  saved.com[4] = {0x12, 0, 0, 0, 0x60, 0, 0, 0, 0, 0, 0, 0};
  saved.send_event_param = {1, 2, 3, 4, 5, 6, 7, 8};
  saved.users[1] = {{0xBE, 1}, 1, 3, {0xA1, 0xA2, 0xA3}, std::string(30, 'N')};
  std::string error;
  const struct {
    CommandFileContent content;
    const char* name;
    bool builtin, user;
  } kFiles[] = {{CommandFileContent::kAll, "all_000.cmd", true, true},
                {CommandFileContent::kBuiltIn, "bse_000.cmd", true, false},
                {CommandFileContent::kUser, "user_000.cmd", false, true}};
  for (const auto& f : kFiles) {
    const std::string path =
        DefaultTabFilePath(FileKind::kCommands, dir.path(), CommandSaveOptionName(f.content));
    EXPECT_EQ(path, dir.File(f.name));
    ASSERT_TRUE(SaveCommandFile(path, saved, f.content, &error)) << error;
    SettingsData loaded;
    loaded.timeout_com = 30;  // not in any command file: stays
    ASSERT_TRUE(LoadSettingsLinesFile(path, &loaded, &error)) << error;
    EXPECT_EQ(loaded.timeout_com, 30);
    EXPECT_EQ(loaded.com[4] == saved.com[4], f.builtin) << path;
    EXPECT_EQ(loaded.send_event_param == saved.send_event_param, f.builtin) << path;
    EXPECT_EQ(loaded.users[1].data == saved.users[1].data, f.user) << path;
    EXPECT_EQ(loaded.users[1].name == saved.users[1].name, f.user) << path;
  }
}

TEST(TabFile, AgeingFilesRoundTripAndALoneAgeingLineChangesOnlyTheNumbers) {
  TempDir dir("tamarack-tabfile-");
  AgeingSettings a;
  a.log_path = "/logs/run.htm";
  a.data_folder = "/ref";
  a.data_file = "disc.dat";
  a.transfer_length = 27;
  a.start_lba = 100;
  a.end_lba = 5000;
  a.cdbs[1][0] = 0xA8;
  std::string error;
  ASSERT_TRUE(SaveAgeingFile(dir.File("Age000.age"), a, &error)) << error;
  SettingsData loaded;
  ASSERT_TRUE(LoadSettingsLinesFile(dir.File("Age000.age"), &loaded, &error));
  EXPECT_EQ(FormatAgeingLines(loaded.ageing), FormatAgeingLines(a));

  dir.Write("only.age", "Ageing=9 2 300 400\n");
  SettingsData expected = loaded;  // everything else as it was
  ASSERT_TRUE(LoadSettingsLinesFile(dir.File("only.age"), &loaded, &error));
  expected.ageing.transfer_length = 9;
  expected.ageing.step = 2;
  expected.ageing.start_lba = 300;
  expected.ageing.end_lba = 400;
  EXPECT_EQ(FormatSettings(loaded), FormatSettings(expected));
}

// A settings lines file that is missing or a folder.
TEST(TabFile, FilesThatCannotBeUsed) {
  TempDir dir("tamarack-tabfile-");
  std::string error;
  SettingsData d;
  EXPECT_FALSE(LoadSettingsLinesFile(dir.File("missing.cmd"), &d, &error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
  EXPECT_FALSE(LoadSettingsLinesFile(dir.path(), &d, &error));
  EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
}

}  // namespace
}  // namespace tamarack
