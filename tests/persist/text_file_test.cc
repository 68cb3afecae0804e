#include "util/text_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>

#include "golden.h"
#include "platform_texts.h"
#include "shell/settings_store.h"
#include "temp_dir.h"
#include "util/cp932.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;

// A test with a folder of its own.
class Files : public ::testing::Test {
 protected:
  void TearDown() override { fs::permissions(dir_.path(), fs::perms::owner_all); }
  fs::path Folder() const { return dir_.path(); }
  testing::TempDir dir_{"tamarack-persist-"};
};

// Text from a disc or a drive for one line of a log, in tests/data/persist/display_texts.txt.
TEST(Utf8, DisplayTextIsOneLine) {
  testing::ExpectEachHexLine("display_texts.txt", "persist",
                             [](const std::vector<std::uint8_t>& b) {
                               return DisplayText(std::string(b.begin(), b.end()));
                             });
}

// A file in the Windows code page, binary junk and a cut-off file read without harm; a save
// replaces the file whole and leaves no temporary behind.
TEST_F(Files, LoadsWhatIsThereAndSavesWhole) {
  dir_.Write("IniFile.txt",
             "fontof=\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e\r\nLBA=12\r\n");
  SettingsData d;
  ASSERT_TRUE(LoadSettings(dir_.File("IniFile.txt"), &d));
  EXPECT_EQ(d.font_face, "ＭＳ ゴシック");
  EXPECT_EQ(d.lba, 12);
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 37) & 0xFF));
  dir_.Write("junk", junk);
  EXPECT_TRUE(LoadSettings(dir_.File("junk"), &d));
  dir_.Write("cut", "LBA=5\nUser00=0000000000000000000000000100");
  EXPECT_TRUE(LoadSettings(dir_.File("cut"), &d));
  EXPECT_EQ(d.lba, 5);
  EXPECT_FALSE(LoadSettings(dir_.File("missing"), &d));

  d.lba = 42;
  std::string error;
  ASSERT_TRUE(SaveSettings(dir_.File("IniFile.txt"), d, &error)) << error;
  SettingsData r;
  ASSERT_TRUE(LoadSettings(dir_.File("IniFile.txt"), &r));
  EXPECT_EQ(r.lba, 42);
  EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 3)
      << "no temporary file is left behind";
}

// A write that fails names the file asked for (not its temporary) and leaves the old file.
TEST_F(Files, AFailedWriteLeavesTheOldFile) {
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(dir_.File("none/b.msr"), "x", &error));
  EXPECT_EQ(testing::WithPosixReasons(error),
            dir_.File("none/b.msr") + ": No such file or directory");
  // Root writes into read-only folders, and so does anyone on Windows: a folder in the file's
  // place then.
#ifdef _WIN32
  const bool folder_in_place = true;
#else
  const bool folder_in_place = ::geteuid() == 0;
#endif
  if (folder_in_place) {
    fs::create_directories(Folder() / "IniFile.txt" / "x");
  } else {
    dir_.Write("IniFile.txt", "LBA=1\n");
    fs::permissions(Folder(), fs::perms::owner_read | fs::perms::owner_exec);
  }
  EXPECT_FALSE(WriteFileAtomically(dir_.File("IniFile.txt"), "LBA=2\n", &error));
  EXPECT_NE(error.find("IniFile.txt"), std::string::npos) << error;
  if (folder_in_place) {
    EXPECT_TRUE(fs::is_directory(Folder() / "IniFile.txt"));
  } else {
    EXPECT_EQ(ReadTextFile(dir_.File("IniFile.txt")).value_or(""), "LBA=1\n");
  }
}

}  // namespace
}  // namespace tamarack
