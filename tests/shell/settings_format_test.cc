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

// Each text of tests/data/shell/reader.txt (its "> " lines, escaped) read over the defaults, as
// the lines of the file then written that the defaults' file lacks; what is written reads back
// the same. Tab numbers out of range start on the first tab; decimal conversion stops at the
// first non-digit and saturates; a user slot's data lines go up to "-", cut at its length, and
// reading goes on after them; hex pairs count other characters as their low four bits + 9 ('z'
// gives 43h), a pair ending in a blank is its first digit alone, never more bytes than the
// row's; indexes beyond the tables, garbage and lines without a value change nothing, and
// fields after the given numbers keep their values; keys are case-sensitive; sizes out of range
// and unknown languages keep their defaults, a short size its other numbers at 0; names are cut at
// 30 characters; the control characters of a hand-edited file's text values are dropped, so that
// what is read is what is written back.
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
  for (std::string_view step : testing::StepsOf("reader", "shell")) {
    const std::string text = testing::Unescaped(step);
    const std::string written = FormatSettings(Read(text));
    EXPECT_EQ(FormatSettings(Read(written)), written) << testing::Escaped(text);
    t += "> " + testing::Escaped(text) + "\n";
    for (const std::string& line : lines(written)) {
      if (std::find(defaults.begin(), defaults.end(), line) == defaults.end()) {
        t += "  " + testing::Escaped(line) + "\n";
      }
    }
  }
  testing::ExpectGoldenFile("reader.txt", t, "shell");
  EXPECT_EQ(DecimalValue(""), 0);
  EXPECT_EQ(Read("UName01=\0\n"s).users[1].name, "");  // written as the slot's own name
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
