#include "util/text_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>

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

// Text from a disc or a drive for one line of a log: UTF-8 kept, other bytes (CP932 text,
// UTF-8 cut short, overlong or a surrogate) read as CP932 (a cut-off pair U+FFFD), every
// control "?" (the C1 controls, the line separators and the direction controls of UTF-8 too).
TEST(Utf8, DisplayTextIsOneLine) {
  struct Row {
    const char* in;
    const char* out;
  };
  for (const Row& r :
       {Row{"LABEL 1", "LABEL 1"}, Row{"ＭＳ ゴシック ﾃﾞｨｽｸ", "ＭＳ ゴシック ﾃﾞｨｽｸ"},
        Row{"a\r\nb\tc\x7f", "a??b?c?"}, Row{"\xC2\x85x\xE2\x80\xA8y", "?x?y"},
        Row{"\x83\x65\x83\x58\x83\x67\n\xff", "テスト?\xEF\xBF\xBD"},
        Row{"\x82\x6c\x82\x72", "ＭＳ"}, Row{"\xE3\x81", "縺"}, Row{"\xC0\xAF", "ﾀｯ"},
        Row{"\xED\xA0\x80", "恝\xEF\xBF\xBD"}, Row{"\xc3\xde\xa8\xbd\xb8", "ﾃﾞｨｽｸ"},
        Row{"ab\x82", "ab\xEF\xBF\xBD"},
        // single bytes CP932 leaves out (Windows' own table fills them)
        Row{"\x80\xA0\xFD\xFE\xFF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        // U+202E, U+202A, U+2066, U+2069, U+200F, U+061C; U+2029 and U+206A
        // (no direction control) beside them
        Row{"a\xE2\x80\xAEgpj.exe", "a?gpj.exe"},
        Row{"\xE2\x80\xAAx\xE2\x81\xA6y\xE2\x81\xA9", "?x?y?"},
        Row{"\xE2\x80\x8F\xD8\x9C\xE2\x80\x8D", "??\xE2\x80\x8D"},
        Row{"\xE2\x81\xAA\xE2\x80\xA9", "\xE2\x81\xAA?"}}) {
    EXPECT_EQ(DisplayText(r.in), r.out) << r.in;
  }
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
