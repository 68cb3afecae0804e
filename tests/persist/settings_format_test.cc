#include "persist/settings_format.h"

#include <gtest/gtest.h>

#include "golden.h"

namespace tamarack {
namespace {

SettingsData Read(std::string_view text) {
  SettingsData d;
  ApplySettingsText(text, &d);
  return d;
}

// The whole file as the original writes it: every key in its order, with its default.
TEST(SettingsFormat, WritesEveryKeyInOrderWithTheFactoryValues) {
  SettingsData d;
  d.has_size = true;
  d.size = {10, 20, 610, 770};
  d.dir = "emu:type13";
  d.com[7] = {0x28, 0, 0, 0, 0, 0x10, 0, 0, 1, 0, 0, 0};
  const std::string text = FormatSettings(d);
  testing::ExpectGoldenFile("default_settings.txt", text, "persist");
  EXPECT_EQ(text.find("TOCKIND="), std::string::npos) << "read but never written";
}

// A file with every key away from its default (user slots with data and names, page
// buffers, non-ASCII folders) is read and written back unchanged.
TEST(SettingsFormat, RoundTripOfEveryKey) {
  const std::string text = testing::ReadGoldenFile("every_key_settings.txt", "persist");
  ASSERT_NE(text, FormatSettings(SettingsData{}));
  EXPECT_EQ(FormatSettings(Read(text)), text);
}

TEST(SettingsReader, LastTabOutOfRangeStartsOnTheFirstTab) {
  EXPECT_EQ(Read("LastTab=9\n").last_tab, 0);
  EXPECT_EQ(Read("LastTab=-1\n").last_tab, 0);
  EXPECT_EQ(Read("LastTab=6\n").last_tab, 6);
  EXPECT_EQ(Read("ToolLastTab=4\n").tool_last_tab, 0);
}

TEST(SettingsReader, DecimalConversionStopsAtTheFirstNonDigit) {
  EXPECT_EQ(Read("LBA=1A\n").lba, 1);
  EXPECT_EQ(Read("LBA=A1\n").lba, 0);
  EXPECT_EQ(Read("LBA=-25x\n").lba, -25);
  EXPECT_EQ(Read("LBA=99999999999999999999\n").lba, 2147483647) << "saturates";
  EXPECT_EQ(DecimalValue(""), 0);
}

TEST(SettingsReader, UserSlotDataBlock) {
  // The CDB 55 10 .. 04 .. and kind 01 with length 0004, then the data lines up to "-".
  const SettingsData d = Read(
      "User02=551000000000000004000000010004\nSendUserParamLen02=4\n0102\n0304\n-\n"
      "UName02=Select\n");
  const UserSlotSettings& u = d.users[2];
  EXPECT_EQ(u.cdb[0], 0x55);
  EXPECT_EQ(u.kind, 1);
  EXPECT_EQ(u.length, 4u);
  EXPECT_EQ(u.data, (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(u.name, "Select");
}

TEST(SettingsReader, UserDataStopsAtTheLengthAndTheEndLine) {
  const SettingsData d = Read(
      "User00=000000000000000000000000010002\nSendUserParamLen00=2\naabbccdd\neeff\n-\n"
      "LBA=77\n");
  EXPECT_EQ(d.users[0].data, (std::vector<std::uint8_t>{0xAA, 0xBB}));
  EXPECT_EQ(d.lba, 77) << "reading goes on after the end line";
}

TEST(SettingsReader, AHugeUserLengthIsBounded) {
  const SettingsData d =
      Read("User00=000000000000000000000000010000\nSendUserParamLen00=2000000000\n-\n");
  EXPECT_EQ(d.users[0].length, 0xFFFFu);
  EXPECT_EQ(d.users[0].data.size(), 0xFFFFu);
}

TEST(SettingsReader, HexRulesOfTheReader) {
  std::uint8_t b[4] = {};
  EXPECT_EQ(ReadHexBytes("*a", b, 4), 1u);
  EXPECT_EQ(b[0], 0x0A);
  EXPECT_EQ(ReadHexBytes("A 1", b, 4), 2u);
  EXPECT_EQ(b[0], 0x0A) << "a pair ending in a blank is its first digit alone";
  EXPECT_EQ(ReadHexBytes("Ff", b, 4), 1u);
  EXPECT_EQ(b[0], 0xFF);
  EXPECT_EQ(ReadHexBytes("zz", b, 4), 1u);
  // 'z' is 7Ah: 0Ah + 9 = 19 for each digit, 19 * 16 + 19 = 323, kept to a byte.
  EXPECT_EQ(b[0], 0x43) << "other characters count as their low four bits + 9";
  EXPECT_EQ(ReadHexBytes("0102030405", b, 4), 4u) << "never more than asked";
}

TEST(SettingsReader, IndexesBeyondTheTablesAreIgnored) {
  const SettingsData d = Read(
      "Com26=ff0000000000000000000000\nCom25=bb0000000000000000000000\n"
      "AgeCom03=ff0000000000000000000000\nModeSelect20=ff\nModeSenset09=cc\nUser10=ff\n"
      "UName10=x\nComx=zz\n");
  EXPECT_EQ(d.com[25][0], 0xBB);
  EXPECT_EQ(d.mode_sense[9][0], 0xCC);
  for (const auto& slot : d.users) EXPECT_EQ(slot.cdb[0], 0);
}

TEST(SettingsReader, UnknownGarbageAndMissingLinesChangeNothing) {
  SettingsData d;
  d.lba = 5;
  ApplySettingsText("hello\n\x01\x02\x03\nlba=3\n=4\nLBA\n\n", &d);
  EXPECT_EQ(d.lba, 5);
  ApplySettingsText("Ageing=9 8 7 6 5\r\n", &d);
  EXPECT_EQ(d.ageing.transfer_length, 9);
  EXPECT_EQ(d.ageing.interval_ms, 5);
  EXPECT_EQ(d.ageing.mode, AgeingModeWord()) << "fields after the given numbers keep their values";
  EXPECT_EQ(d.ageing.command_index, 2);
  ApplySettingsText("Size=1 2\n", &d);
  EXPECT_EQ(d.size, (std::array<int, 4>{1, 2, 0, 0}));
}

TEST(SettingsReader, KeysAreCaseSensitiveAndTocKindIsDistinct) {
  const SettingsData d = Read("TOCKIND=1\ntockind=1\n");
  EXPECT_EQ(d.toc_kind_upper, 1);
  EXPECT_EQ(d.toc_kind, 0);
  EXPECT_EQ(Read("Directory=/x\n").dir, "") << "Dir= does not take Directory=";
}

TEST(SettingsReader, SizesOutOfRangeKeepTheirDefaults) {
  SettingsData d = Read("ControlBufLen=2000000000\nMsrBlockLength=0\nTimeoutCom=-5\n");
  EXPECT_EQ(d.control_buf_len, 40960);
  EXPECT_EQ(d.msr_block_length, 10);
  EXPECT_EQ(d.timeout_com, 7);
  d = Read("ControlBufLen=16777216\nMsrBlockLength=65535\nTimeoutCom=86400\n");
  EXPECT_EQ(d.control_buf_len, 16777216);
  EXPECT_EQ(d.msr_block_length, 65535);
  EXPECT_EQ(d.timeout_com, 86400);
  EXPECT_EQ(Read("ControlBufLen=16777217\n").control_buf_len, 40960);
}

TEST(SettingsReader, NamesAreCutAt30Characters) {
  const SettingsData d = Read("UName01=" + std::string(40, 'n') + "\nUName02=" +
                              "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほま\n");
  EXPECT_EQ(d.users[1].name.size(), 30u);
  EXPECT_EQ(d.users[2].name, "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ");
}

// A hand-edited file may hold control characters in its text values: they are dropped, so
// that what is read is what is written back (a NUL used to cut a slot name on writing).
TEST(SettingsReader, ControlCharactersInTextValuesAreDropped) {
  using namespace std::string_literals;
  const std::string text =
      "UName00=ab\0c\x01"
      "d\x7f\nUName01=\0\nLogFile=/tmp/\0x.log\n"
      "AgeDataFolder=/d\x1b/\nAgeDataFile=\tf\nDir=emu:\x05type13\n"
      "TraceFile=/t\0.jsonl\n"s;
  const SettingsData d = Read(text);
  EXPECT_EQ(d.users[0].name, "abcd");
  EXPECT_EQ(d.users[1].name, "");
  EXPECT_EQ(d.ageing.log_path, "/tmp/x.log");
  EXPECT_EQ(d.ageing.data_folder, "/d/");
  EXPECT_EQ(d.ageing.data_file, "f");
  EXPECT_EQ(d.dir, "emu:type13");
  EXPECT_EQ(d.trace_file, "/t.jsonl");
  const std::string written = FormatSettings(d);
  EXPECT_NE(written.find("UName00=abcd\n"), std::string::npos);
  EXPECT_EQ(FormatSettings(Read(written)), written);

  // Values set in memory are written without them as well.
  SettingsData m;
  m.users[2].name = "x\ny"s;
  m.ageing.log_path = "a\0b"s;
  const std::string w = FormatSettings(m);
  EXPECT_NE(w.find("UName02=xy\n"), std::string::npos);
  EXPECT_NE(w.find("LogFile=ab\n"), std::string::npos);
  EXPECT_EQ(FormatSettings(Read(w)), w);
}

TEST(SavedFiles, CommandAndAgeingLines) {
  SettingsData d;
  const std::string user = FormatCommandLines(d, CommandFileContent::kUser);
  EXPECT_EQ(user.find("Com00="), std::string::npos);
  EXPECT_EQ(user.rfind("User00=", 0), 0u);
  const std::string builtin = FormatCommandLines(d, CommandFileContent::kBuiltIn);
  EXPECT_EQ(builtin.find("User"), std::string::npos);
  EXPECT_NE(builtin.find("ModeSenset09="), std::string::npos);
  EXPECT_EQ(FormatCommandLines(d, CommandFileContent::kAll), builtin + user);
  const std::string age = FormatAgeingLines(d.ageing);
  EXPECT_EQ(age,
            "LogFile=\nAgeDataFolder=\nAgeDataFile=\n"
            "Ageing=1 1 0 0 0 257 0 2 131074 1 100 0 0 1 2\n"
            "AgeCom00=280000000000000000000000\n"
            "AgeCom01=a80000000000000000000000\n"
            "AgeCom02=be0000000000000000100000\n");
  AgeingSettings back;
  back.step = 99;
  for (std::size_t at = 0, end; (end = age.find('\n', at)) != std::string::npos; at = end + 1) {
    EXPECT_TRUE(ApplyAgeingLine(std::string_view(age).substr(at, end - at), &back));
  }
  EXPECT_EQ(back, d.ageing);
  EXPECT_FALSE(ApplyAgeingLine("LastCom=1", &back));
}

TEST(SavedFiles, TheEndOnDataErrorBitIsANegativeNumber) {
  AgeingSettings a;
  a.mode.set_method(static_cast<int>(LbaMethod::kRandom));
  a.mode.set_loop(static_cast<int>(LoopMode::kCounted));
  a.mode.set_end_on_data_error(true);
  const std::string age = FormatAgeingLines(a);
  EXPECT_NE(age.find("Ageing=1 1 0 0 0 -2147483134 "), std::string::npos) << age;
  SettingsData d;
  ApplySettingsText(age, &d);
  EXPECT_EQ(d.ageing.mode, a.mode);
  // The eighth "LastCom=" number is the ageing command index too, and is read after it.
  ApplySettingsText("Ageing=1 1 0 0 0 0 0 2 0 1 100 0 0 1 1\nLastCom=0 0 0 0 0 0 0 0\n", &d);
  EXPECT_EQ(d.ageing.command_index, 0);
  ApplySettingsText("LastCom=5 5\n", &d);
  EXPECT_EQ(d.ageing.command_index, 0) << "a short LastCom line leaves it";
}

}  // namespace
}  // namespace tamarack
