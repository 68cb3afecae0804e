#include "shell/settings_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "ageing/ageing_file.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack {
namespace {

SettingsData Read(std::string_view text) {
  SettingsData d;
  ApplySettingsText(text, &d);
  return d;
}

// The whole file as the original writes it: every key in its order, with its default. Text
// values set in memory are written without their control characters (UName02=xy, LogFile=ab).
TEST(SettingsFormat, WritesEveryKeyInOrderAndReadsEveryKeyBack) {
  using namespace std::string_literals;
  SettingsData d;
  d.users[2].name = "x\ny"s;
  d.ageing.log_path = "a\0b"s;
  d.has_size = true;
  d.size = {10, 20, 610, 770};
  d.dir = "emu:type13";
  d.com[7] = {0x28, 0, 0, 0, 0, 0x10, 0, 0, 1, 0, 0, 0};
  const std::string text = FormatSettings(d);
  testing::ExpectGoldenFile("default_settings.txt", text, "shell");

  // A file with every key away from its default (user slots with data and names, page
  // buffers, non-ASCII folders) is read and written back unchanged.
  const std::string every = testing::ReadGoldenFile("every_key_settings.txt", "shell");
  ASSERT_NE(every, FormatSettings(SettingsData{}));
  EXPECT_EQ(FormatSettings(Read(every)), every);
}

// A text with "\n" and the other control characters escaped.
std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    out += c == '\n' ? "\\n" : u < 0x20 || u == 0x7F ? StrFormat("\\x%02x", u) : std::string(1, c);
  }
  return out;
}

// Each text read over the defaults, as the lines of the file then written that the defaults'
// file lacks, against tests/data/persist/reader.txt; what is written reads back the same.
TEST(SettingsReader, WhatEachTextChanges) {
  using namespace std::string_literals;
  const auto lines = [](const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  };
  const std::vector<std::string> defaults = lines(FormatSettings(SettingsData{}));
  std::string t;
  for (const std::string& text :
       {// Tab numbers out of range start on the first tab.
        "LastTab=9\n"s, "LastTab=-1\n"s, "LastTab=6\n"s, "ToolLastTab=4\n"s,
        // Decimal conversion stops at the first non-digit and saturates.
        "LBA=1A\n"s, "LBA=A1\n"s, "LBA=-25x\n"s, "LBA=99999999999999999999\n"s,
        // A user slot: the CDB 55 10 .. 04 .., kind 01 with length 0004, then the data
        // lines up to "-", cut at the length; reading goes on after the end line.
        "User02=551000000000000004000000010004\nSendUserParamLen02=4\n0102\n0304\n-\n"
        "UName02=Select\n"s,
        "User00=000000000000000000000000010002\nSendUserParamLen00=2\naabbccdd\neeff\n-\n"
        "LBA=77\n"s,
        // Hex pairs: other characters count as their low four bits + 9 ('z' gives 43h), a
        // pair ending in a blank is its first digit alone, never more bytes than the row's.
        "Com00=*a\nCom01=A 1\nCom02=Ff\nCom03=zz\nCom04=0102030405060708090a0b0c0d\n"s,
        // Indexes beyond the tables are ignored.
        "Com26=ff0000000000000000000000\nCom25=bb0000000000000000000000\n"
        "AgeCom03=ff0000000000000000000000\nModeSelect20=ff\nModeSenset09=cc\nUser10=ff\n"
        "UName10=x\nComx=zz\n"s,
        // Garbage and lines without a value change nothing; fields after the given numbers
        // keep their values.
        "LBA=5\nhello\n\x01\x02\x03\nlba=3\n=4\nLBA\n\n"s, "Ageing=9 8 7 6 5\r\n"s,
        // Keys are case-sensitive: Dir= does not take Directory=.
        "Directory=/x\n"s,
        // Sizes out of range keep their defaults.
        "ControlBufLen=2000000000\nMsrBlockLength=0\nTimeoutCom=-5\n"s,
        "ControlBufLen=16777216\nMsrBlockLength=65535\nTimeoutCom=86400\n"s,
        "ControlBufLen=16777217\n"s,
        // A language the window does not know starts it in the automatic one.
        "Language=1\n"s, "Language=3\n"s, "Language=-1\n"s,
        // Names are cut at 30 characters.
        "UName01=" + std::string(40, 'n') +
            "\nUName02=" + "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほま\n",
        // A hand-edited file may hold control characters in its text values: they are
        // dropped, so that what is read is what is written back (a NUL used to cut a slot
        // name on writing).
        "UName00=ab\0c\x01"
        "d\x7f\nUName01=\0\nLogFile=/tmp/\0x.log\n"
        "AgeDataFolder=/d\x1b/\nAgeDataFile=\tf\nDir=emu:\x05type13\n"
        "TraceFile=/t\0.jsonl\n"s}) {
    const std::string written = FormatSettings(Read(text));
    EXPECT_EQ(FormatSettings(Read(written)), written) << Escaped(text);
    t += "> " + Escaped(text) + "\n";
    for (const std::string& line : lines(written)) {
      if (std::find(defaults.begin(), defaults.end(), line) == defaults.end()) {
        t += "  " + Escaped(line) + "\n";
      }
    }
  }
  testing::ExpectGoldenFile("reader.txt", t, "shell");
  EXPECT_EQ(DecimalValue(""), 0);
  EXPECT_EQ(Read("UName01=\0\n"s).users[1].name, "");  // written as the slot's own name
  EXPECT_EQ(Read("Size=1 2\n").size, (std::array<int, 4>{1, 2, 0, 0}));
  const SettingsData upper = Read("TOCKIND=1\ntockind=1\n");
  EXPECT_EQ(upper.toc_kind_upper, 1);
  EXPECT_EQ(upper.toc_kind, 0);
  // A huge user length is bounded.
  EXPECT_EQ(Read("User00=000000000000000000000000010000\nSendUserParamLen00=2000000000\n-\n")
                .users[0]
                .data.size(),
            0xFFFFu);
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

// The retries of a failed read: written only when not the default (files of the default stay
// as they were); no key is the default, a value that is no count of retries is ignored.
TEST(SavedFiles, AgeingRetriesOnlyWhenNotTheDefault) {
  AgeingSettings a;
  EXPECT_EQ(FormatAgeingLines(a).find("AgeRetries="), std::string::npos);
  a.retries = kMostRetries;
  SettingsData d;
  ApplySettingsText(FormatAgeingLines(a) + "AgeRetries=17\nAgeRetries=x\nAgeRetries=-1\n", &d);
  EXPECT_EQ(d.ageing.retries, kMostRetries);
}

}  // namespace
}  // namespace tamarack
