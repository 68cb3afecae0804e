#include "tools/control_data_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "console/command_catalogue.h"
#include "golden.h"
#include "platform_texts.h"
#include "temp_dir.h"
#include "tools/dump_file.h"

namespace tamarack {
namespace {

// The list and the command line of the control data view, in tests/data/tools/control_data.txt:
// lines of sixteen bytes with their offsets and characters ("~" and half-width katakana as
// themselves, a blank for 00h), "No Data" for nothing, at most 4096 bytes shown; the CDB by
// the catalogue row of its opcode (a user slot by its own name), the bytes alone for none.
// Every line ends in "\r\n", which the file shows as "\n".
TEST(ControlData, ListAndCdbLine) {
  std::vector<std::uint8_t> data(20);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(0x41 + i);
  data[1] = 0x60;
  data[2] = 0x00;
  const std::uint8_t kana[] = {0xB1, 0xA1, 0xB0};
  const std::string longest = ControlDataList(std::vector<std::uint8_t>(5000, 0x20));
  std::string t =
      ControlDataList(data) + ControlDataList({}) + "\r\n" + ControlDataList(kana) +
      "5000 bytes: " + std::to_string(std::count(longest.begin(), longest.end(), '\n')) +
      " lines, the last " + longest.substr(longest.rfind('+'));
  CatalogueState catalogue;
  Cdb cdb{0xBE, 0, 0, 0, 0, 0x10, 0, 0, 1, 0xF8, 0, 0};
  const std::uint8_t opcodes[] = {0xBE, 0x12, 0xEE, 0xEE};
  for (std::size_t i = 0; i < 4; ++i) {
    cdb[0] = opcodes[i];
    if (i == 3) {  // now a user slot's opcode
      catalogue.row(kFirstUserRow).opcode = 0xEE;
      catalogue.RenameSlot(kFirstUserRow, "Vendor");
    }
    t += ControlDataCdbLine(cdb, catalogue) + "\r\n";
  }
  t += "no CDB: '" + ControlDataCdbLine(std::nullopt, catalogue) + "'\r\n";
  if (!testing::UpdateGoldenText("control_data.txt", t, "tools")) {
    EXPECT_EQ(t, testing::ReadGoldenText("control_data.txt", "tools"));
  }
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
  EXPECT_NE(testing::WithPosixReasons(error).find("No such file or directory"), std::string::npos)
      << error;
  EXPECT_FALSE(std::filesystem::exists(missing));

  EXPECT_FALSE(LoadDumpText(dir.File("missing.txt"), &error).has_value());
  EXPECT_NE(testing::WithPosixReasons(error).find("No such file or directory"), std::string::npos)
      << error;
  dir.Write("dump.txt", "0000 : 00 01\n");
  EXPECT_EQ(LoadDumpText(dir.File("dump.txt"), &error), "0000 : 00 01\n");
}

}  // namespace
}  // namespace tamarack
