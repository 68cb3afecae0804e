#include "persist/settings_format.h"

#include <gtest/gtest.h>

namespace tamarack {
namespace {

SettingsData Read(std::string_view text) {
  SettingsData d;
  ApplySettingsText(text, &d);
  return d;
}

TEST(SettingsFormat, DefaultsAreTheFactoryValues) {
  const SettingsData d;
  EXPECT_EQ(d.control_buf_len, 40960);
  EXPECT_EQ(d.dump_kind, 3);
  EXPECT_EQ(d.block, 1);
  EXPECT_EQ(d.timeout_com, 7);
  EXPECT_EQ(d.sector_com[9], 0x10);
  EXPECT_EQ(d.control_flag, 2);
  EXPECT_EQ(d.last_com[7], 2);
  EXPECT_EQ(d.msr_block_length, 10);
  EXPECT_EQ(d.font, (std::array<int, 4>{400, 0, 1, 14}));
  EXPECT_EQ(d.ageing.log_options.value(), 0x20002u);
}

TEST(SettingsFormat, WritesEveryKeyInOrder) {
  SettingsData d;
  d.has_size = true;
  d.size = {10, 20, 610, 770};
  d.dir = "emu:type13";
  d.com[7] = {0x28, 0, 0, 0, 0, 0x10, 0, 0, 1, 0, 0, 0};
  const std::string text = FormatSettings(d);
  const char* const kOrder[] = {"Size=10 20 610 770\n",
                                "Dir=emu:type13\n",
                                "LastTab=0\n",
                                "ToolLastTab=0\n",
                                "ControlBufLen=40960\n",
                                "DumpKind=3\n",
                                "DumpMode=0\n",
                                "LBA=0\n",
                                "BLOCK=1\n",
                                "STARTMSF=0\n",
                                "ENDMSF=0\n",
                                "TimeoutCom=7\n",
                                "ExeImm=0\n",
                                "CntApr=0\n",
                                "TocKind=0\n",
                                "SectorCom=000000000000000000100000\n",
                                "fontof=ＭＳ ゴシック\n",
                                "fonto=400 0 1 14\n",
                                "ControlFlag=2\n",
                                "Directory=\n",
                                "LogFile=",
                                "AgeDataFolder=",
                                "AgeDataFile=",
                                "Ageing=1 1 0 0 0 257 0 2 131074 1 100 0 0 1 2\n",
                                "AgeCom00=",
                                "AgeCom02=",
                                "LastCom=0 0 0 0 0 0 0 2\n",
                                "ComListKind=0\n",
                                "Com00=000000000000000000000000\n",
                                "Com07=280000000010000001000000\n",
                                "Com25=",
                                "SendEventParam=0000000000000000\n",
                                "ModeSelect00=",
                                "ModeSelect08=",
                                "ModeSenset00=",
                                "ModeSenset09=",
                                "User00=000000000000000000000000000000\n",
                                "SendUserParamLen00=0\n",
                                "UName00=User01\n",
                                "UName09=User10\n",
                                "MsrBlockLength=10\n",
                                "VirtualDrives=1\n"};
  std::size_t at = 0;
  for (const char* key : kOrder) {
    const std::size_t found = text.find(key, at);
    ASSERT_NE(found, std::string::npos) << key << " after offset " << at << "\n" << text;
    at = found;
  }
  EXPECT_EQ(text.find("TOCKIND="), std::string::npos) << "read but never written";
  EXPECT_EQ(text.find("ModeSelect09="), std::string::npos);
  // The page buffer and the byte after it: 202 digits.
  const std::size_t row = text.find("ModeSelect00=");
  EXPECT_EQ(text.find('\n', row) - row - 13, 202u);
}

TEST(SettingsFormat, RoundTripOfEveryKey) {
  SettingsData d;
  d.has_size = true;
  d.size = {1, 2, 3, 4};
  d.dir = "/dev/sr1";
  d.last_tab = 4;
  d.tool_last_tab = 3;
  d.control_buf_len = 4096;
  d.dump_kind = 1;
  d.dump_mode = 2;
  d.lba = 1234;
  d.block = 10;
  d.start_msf = 0x010203;
  d.end_msf = 0x040506;
  d.timeout_com = 30;
  d.exe_imm = 1;
  d.cnt_apr = 1;
  d.toc_kind = 1;
  d.sector_com = {0xBE, 0, 0, 0, 0, 0x10, 0, 0, 1, 0xF8, 2, 0};
  d.font_face = "IPAGothic";
  d.font = {700, 1, 128, 16};
  d.control_flag = 3;
  d.directory = "/home/engineer/データ";
  d.ageing.log_path = "/tmp/log.htm";
  d.ageing.data_folder = "/tmp/ref";
  d.ageing.data_file = "/tmp/ref/ref.dat";
  ApplyAgeingLine("Ageing=10 2 100 2000 5 -2147483134 1 0 65538 0 7 1 1 0 1", &d.ageing);
  d.ageing.cdbs[1] = {0xA8, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0};
  d.last_com = {1, 2, 3, 4, 5, 6, 7, 0};
  d.com_list_kind = 2;
  for (std::size_t i = 0; i < d.com.size(); ++i) d.com[i][0] = static_cast<std::uint8_t>(i);
  d.send_event_param = {1, 2, 3, 4, 5, 6, 7, 8};
  d.mode_select[2][0] = 0x05;
  d.mode_select[2][99] = 0xAB;
  d.mode_sense[9][50] = 0xCD;
  d.users[0] = {{0x12, 0, 0, 0, 0x24}, 2, 36, {}, "My Inquiry"};
  d.users[3] = {{0x55, 0x10, 0, 0, 0, 0, 0, 0, 20}, 1, 20, {}, "モードセレクト"};
  for (int i = 0; i < 20; ++i) d.users[3].data.push_back(static_cast<std::uint8_t>(0xF0 + i));
  d.msr_block_length = 32;
  d.virtual_drives = 0;

  const SettingsData r = Read(FormatSettings(d));
  EXPECT_EQ(r.size, d.size);
  EXPECT_EQ(r.dir, d.dir);
  EXPECT_EQ(r.last_tab, 4);
  EXPECT_EQ(r.tool_last_tab, 3);
  EXPECT_EQ(r.control_buf_len, 4096);
  EXPECT_EQ(r.dump_kind, 1);
  EXPECT_EQ(r.dump_mode, 2);
  EXPECT_EQ(r.lba, 1234);
  EXPECT_EQ(r.block, 10);
  EXPECT_EQ(r.start_msf, d.start_msf);
  EXPECT_EQ(r.end_msf, d.end_msf);
  EXPECT_EQ(r.timeout_com, 30);
  EXPECT_EQ(r.exe_imm, 1);
  EXPECT_EQ(r.cnt_apr, 1);
  EXPECT_EQ(r.toc_kind, 1);
  EXPECT_EQ(r.sector_com, d.sector_com);
  EXPECT_EQ(r.font_face, d.font_face);
  EXPECT_EQ(r.font, d.font);
  EXPECT_EQ(r.control_flag, 3);
  EXPECT_EQ(r.directory, d.directory);
  EXPECT_EQ(r.ageing, d.ageing);
  EXPECT_EQ(r.ageing.mode.method(), LbaMethod::kRandom);
  EXPECT_EQ(r.ageing.mode.loop(), LoopMode::kCounted);
  EXPECT_TRUE(r.ageing.mode.end_on_data_error()) << "bit 31 set: the number is negative";
  EXPECT_EQ(r.ageing.command_index, 1) << "the eighth LastCom number is the ageing command";
  EXPECT_EQ(r.last_com[0], 1);
  EXPECT_EQ(r.com_list_kind, 2);
  EXPECT_EQ(r.com, d.com);
  EXPECT_EQ(r.send_event_param, d.send_event_param);
  EXPECT_EQ(r.mode_select[2][99], 0xAB);
  EXPECT_EQ(r.mode_sense[9][50], 0xCD);
  EXPECT_EQ(r.users[0].cdb, d.users[0].cdb);
  EXPECT_EQ(r.users[0].kind, 2);
  EXPECT_EQ(r.users[0].length, 36u);
  EXPECT_EQ(r.users[0].name, "My Inquiry");
  EXPECT_EQ(r.users[3].data, d.users[3].data);
  EXPECT_EQ(r.users[3].name, "モードセレクト");
  EXPECT_EQ(r.msr_block_length, 32);
  EXPECT_EQ(r.virtual_drives, 0);
  EXPECT_EQ(FormatSettings(r), FormatSettings(d));
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
  const SettingsData d = Read(
      "User02="
      "5510"
      "000000000000"
      "04"
      "000000"
      "01"
      "0004\n"
      "SendUserParamLen02=4\n"
      "0102\n"
      "0304\n"
      "-\n"
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
      "User00="
      "000000000000000000000000"
      "01"
      "0002\n"
      "SendUserParamLen00=2\n"
      "aabbccdd\n"
      "eeff\n"
      "-\n"
      "LBA=77\n");
  EXPECT_EQ(d.users[0].data, (std::vector<std::uint8_t>{0xAA, 0xBB}));
  EXPECT_EQ(d.lba, 77) << "reading goes on after the end line";
}

TEST(SettingsReader, AHugeUserLengthIsBounded) {
  const SettingsData d = Read(
      "User00="
      "000000000000000000000000"
      "01"
      "0000\n"
      "SendUserParamLen00=2000000000\n"
      "-\n");
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
      "Com26=ff0000000000000000000000\n"
      "Com25=bb0000000000000000000000\n"
      "AgeCom03=ff0000000000000000000000\n"
      "ModeSelect20=ff\n"
      "ModeSenset09=cc\n"
      "User10=ff\n"
      "UName10=x\n"
      "Comx=zz\n");
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

TEST(SettingsReader, NamesAreCutAt29Characters) {
  const SettingsData d = Read("UName01=" + std::string(40, 'n') + "\nUName02=" +
                              "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ\n");
  EXPECT_EQ(d.users[1].name.size(), 29u);
  EXPECT_EQ(d.users[2].name, "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへ");
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

}  // namespace
}  // namespace tamarack
