// The saved tab files: default names, the data folder, the three command file contents, ageing
// and measurement files through a real folder, and files that cannot be read or written.
#include "persist/tab_file.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "temp_dir.h"

namespace tamarack {
namespace {

using testing::TempDir;

// Each kind's own pattern, the smallest free number (a gap filled first), 999 when every
// number is taken. On a real folder (the files there taken) the window's saves show it:
// tests/app/main_window_shell_test.
TEST(TabFile, DefaultNamesTakeTheSmallestFreeNumber) {
  std::set<std::string> taken = {"/d/all_000.cmd", "/d/all_002.cmd", "/d/Age000.age"};
  auto exists = [&taken](const std::string& p) { return taken.count(p) != 0; };
  EXPECT_EQ(DefaultTabFilePath(FileKind::kCommands, "/d", "all", exists), "/d/all_001.cmd");
  EXPECT_EQ(DefaultTabFilePath(FileKind::kCommands, "/d", "bse", exists), "/d/bse_000.cmd");
  EXPECT_EQ(DefaultTabFilePath(FileKind::kAgeing, "/d", "", exists), "/d/Age001.age");
  EXPECT_EQ(DefaultTabFilePath(FileKind::kDump, "/d", "dat", exists), "/d/Dmp000.dat");
  // Every number taken: 999.
  EXPECT_EQ(
      DefaultTabFilePath(FileKind::kAgeing, "/d", "", [](const std::string&) { return true; }),
      "/d/Age999.age");
}

// An empty data folder becomes the documents folder, a set one stays (app/main_window_shell_test);
// the folder of a file name.
TEST(TabFile, DataFolderRule) {
  EXPECT_EQ(FolderOfFile("/data/runs/msr000.msr"), "/data/runs");
  EXPECT_EQ(FolderOfFile("/msr000.msr"), "/");
  EXPECT_EQ(FolderOfFile("msr000.msr"), ".");
}

TEST(TabFile, CommandFilesHoldTheChosenLinesAndLoadOverTheRest) {
  TempDir dir("tamarack-tabfile-");
  ASSERT_TRUE(dir.ok());
  SettingsData saved;
  saved.com[4] = {0x12, 0, 0, 0, 0x60, 0, 0, 0, 0, 0, 0, 0};
  saved.send_event_param = {1, 2, 3, 4, 5, 6, 7, 8};
  saved.users[1].cdb = {0xBE, 1};
  saved.users[1].kind = 1;
  saved.users[1].length = 3;
  saved.users[1].data = {0xA1, 0xA2, 0xA3};
  saved.users[1].name = std::string(30, 'N');
  std::string error;
  for (CommandFileContent c :
       {CommandFileContent::kAll, CommandFileContent::kBuiltIn, CommandFileContent::kUser}) {
    const std::string path =
        DefaultTabFilePath(FileKind::kCommands, dir.path(), CommandSaveOptionName(c));
    ASSERT_TRUE(SaveCommandFile(path, saved, c, &error)) << error;
    SettingsData loaded;
    loaded.timeout_com = 30;  // not in any command file: stays
    ASSERT_TRUE(LoadSettingsLinesFile(path, &loaded, &error)) << error;
    EXPECT_EQ(loaded.timeout_com, 30);
    const bool builtin = c != CommandFileContent::kUser;
    const bool user = c != CommandFileContent::kBuiltIn;
    EXPECT_EQ(loaded.com[4] == saved.com[4], builtin) << path;
    EXPECT_EQ(loaded.send_event_param == saved.send_event_param, builtin) << path;
    EXPECT_EQ(loaded.users[1].data == saved.users[1].data, user) << path;
    EXPECT_EQ(loaded.users[1].name == saved.users[1].name, user) << path;
  }
  EXPECT_TRUE(std::filesystem::exists(dir.File("all_000.cmd")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("bse_000.cmd")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("user_000.cmd")));
}

TEST(TabFile, AgeingFilesRoundTripAndALoneAgeingLineChangesOnlyTheNumbers) {
  TempDir dir("tamarack-tabfile-");
  ASSERT_TRUE(dir.ok());
  AgeingSettings a;
  a.log_path = "/logs/run.htm";
  a.data_folder = "/ref";
  a.data_file = "disc.dat";
  a.transfer_length = 27;
  a.start_lba = 100;
  a.end_lba = 5000;
  a.cdbs[1][0] = 0xA8;
  std::string error;
  const std::string path = dir.File("Age000.age");
  ASSERT_TRUE(SaveAgeingFile(path, a, &error)) << error;
  SettingsData loaded;
  ASSERT_TRUE(LoadSettingsLinesFile(path, &loaded, &error));
  EXPECT_EQ(FormatAgeingLines(loaded.ageing), FormatAgeingLines(a));

  dir.Write("only.age", "Ageing=9 2 300 400\n");
  SettingsData before = loaded;
  ASSERT_TRUE(LoadSettingsLinesFile(dir.File("only.age"), &loaded, &error));
  EXPECT_EQ(loaded.ageing.transfer_length, 9);
  EXPECT_EQ(loaded.ageing.start_lba, 300);
  EXPECT_EQ(loaded.ageing.end_lba, 400);
  // Everything else as it was.
  loaded.ageing.transfer_length = before.ageing.transfer_length;
  loaded.ageing.step = before.ageing.step;
  loaded.ageing.start_lba = before.ageing.start_lba;
  loaded.ageing.end_lba = before.ageing.end_lba;
  EXPECT_EQ(FormatSettings(loaded), FormatSettings(before));
}

TEST(TabFile, MeasurementFilesAndFilesThatCannotBeUsed) {
  TempDir dir("tamarack-tabfile-");
  ASSERT_TRUE(dir.ok());
  // The line format itself is measurement_file_test's; here the file around it.
  dir.Write("two.msr", "2048 0 Model=KESTREL CDV\n75\n150\n");
  SpeedRecord r;
  std::string error;
  ASSERT_TRUE(LoadMeasurementFile(dir.File("two.msr"), &r, &error)) << error;
  EXPECT_EQ(RecordSummaryText(r), "x1.5 speed(460800 Bytes/2 Sec)");
  SpeedRecord back = r;

  // Missing, a folder, block size 0: false with a reason, the record untouched.
  dir.Write("zero.msr", "0 0 Model=x\n75\n");
  for (const std::string name : {"missing.msr", "zero.msr", ""}) {
    error.clear();
    EXPECT_FALSE(LoadMeasurementFile(dir.File(name), &back, &error)) << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_EQ(back, r) << name;
  }
  EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
  SettingsData d;
  EXPECT_FALSE(LoadSettingsLinesFile(dir.File("missing.cmd"), &d, &error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
  EXPECT_FALSE(LoadDumpText(dir.File("missing.txt"), &error).has_value());

  // A save into a folder that is not there says why and leaves nothing behind.
  EXPECT_FALSE(SaveMeasurementFile(dir.File("no/such/msr000.msr"), r, &error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;

  dir.Write("dump.txt", "0000 : 00 01\n");
  EXPECT_EQ(LoadDumpText(dir.File("dump.txt"), &error), "0000 : 00 01\n");
}

}  // namespace
}  // namespace tamarack
