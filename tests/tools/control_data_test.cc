#include "tools/control_data_view.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "console/command_catalogue.h"
#include "persist/dump_file.h"
#include "temp_dir.h"

namespace tamarack {
namespace {

TEST(ControlDataList, LinesOfSixteenWithOffsetsAndCharacters) {
  std::vector<std::uint8_t> data(20);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(0x41 + i);
  data[1] = 0x60;  // "~"
  data[2] = 0x00;  // a blank
  const std::string list = ControlDataList(data);
  const std::string first =
      "+000h|41 60 00 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50 :A~ DEFGHIJKLMNOP\r\n";
  const std::string second = "+010h|51 52 53 54 " + std::string(12 * 3, ' ') + ":QRST\r\n";
  EXPECT_EQ(list, first + second);
  EXPECT_EQ(ControlDataList({}), "No Data");
  // Half-width katakana come through as themselves.
  const std::uint8_t kana[] = {0xB1, 0xA1, 0xB0};
  EXPECT_EQ(ControlDataList(kana), "+000h|b1 a1 b0 " + std::string(13 * 3, ' ') + ":ｱ.-\r\n");
}

TEST(ControlDataList, ShowsAtMost4096Bytes) {
  std::vector<std::uint8_t> data(5000, 0x20);
  const std::string list = ControlDataList(data);
  EXPECT_NE(list.find("+ff0h|"), std::string::npos);
  EXPECT_EQ(list.find("+1000h|"), std::string::npos);
  std::size_t lines = 0;
  for (char c : list) lines += c == '\n';
  EXPECT_EQ(lines, 256u);
}

TEST(ControlDataCdbLine, NamesTheCatalogueCommand) {
  CatalogueState catalogue;
  Cdb cdb{0xBE, 0, 0, 0, 0, 0x10, 0, 0, 1, 0xF8, 0, 0};
  EXPECT_EQ(ControlDataCdbLine(cdb, catalogue),
            "be00000000100000"
            "01f80000 Read CD ｺﾏﾝﾄﾞ");
  cdb[0] = 0x12;
  EXPECT_EQ(ControlDataCdbLine(cdb, catalogue), "120000000010000001f80000 Inquiry ｺﾏﾝﾄﾞ");
  // No row with that opcode: the bytes alone. No CDB yet: nothing.
  cdb[0] = 0xEE;
  EXPECT_EQ(ControlDataCdbLine(cdb, catalogue), "ee0000000010000001f80000");
  EXPECT_EQ(ControlDataCdbLine(std::nullopt, catalogue), "");
  // A user slot with its own opcode is found by it, under its own name.
  catalogue.row(kFirstUserRow).opcode = 0xEE;
  catalogue.RenameSlot(kFirstUserRow, "Vendor");
  EXPECT_EQ(ControlDataCdbLine(cdb, catalogue), "ee0000000010000001f80000 Vendor ｺﾏﾝﾄﾞ");
}

TEST(DumpFile, DefaultNamesTakeTheFirstFreeNumber) {
  testing::TempDir dir;
  EXPECT_EQ(DefaultDumpFilePath(dir.path(), "bin"), dir.File("Dmp000.bin"));
  dir.Write("Dmp000.bin", "x");
  dir.Write("Dmp001.bin", "x");
  EXPECT_EQ(DefaultDumpFilePath(dir.path(), "bin"), dir.File("Dmp002.bin"));
  EXPECT_EQ(DefaultDumpFilePath(dir.path(), "txt"), dir.File("Dmp000.txt"));
  EXPECT_EQ(DefaultDumpFilePath(dir.path(), "dat", [](const std::string&) { return true; }),
            dir.File("Dmp999.dat"));
}

TEST(DumpFile, SavesInOnePieceAndReportsTheSystemsErrorText) {
  testing::TempDir dir;
  const std::uint8_t data[] = {1, 2, 0xAB};
  std::string error;
  dir.Write("Dmp000.dat", "an older and longer file");
  ASSERT_TRUE(SaveDumpFile(dir.File("Dmp000.dat"), DumpSaveForm::kHex, data, "", &error)) << error;
  EXPECT_EQ(dir.Read("Dmp000.dat"), (std::vector<std::uint8_t>{'0', '1', '0', '2', 'a', 'b'}));
  ASSERT_TRUE(SaveDumpFile(dir.File("Dmp000.dat"), DumpSaveForm::kBinary, data, "", &error));
  EXPECT_EQ(dir.Read("Dmp000.dat"), (std::vector<std::uint8_t>{1, 2, 0xAB}));
  // A folder that does not exist: the system's text, and no file.
  const std::string missing = dir.File("no such folder/Dmp000.txt");
  EXPECT_FALSE(SaveDumpFile(missing, DumpSaveForm::kText, data, "t", &error));
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace tamarack
