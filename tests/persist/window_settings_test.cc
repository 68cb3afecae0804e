#include "persist/window_settings.h"

#include <gtest/gtest.h>

#include "persist/settings_format.h"

namespace tamarack {
namespace {

TEST(WindowSettings, OptionsSurviveTheFileAndLeaveTheOtherFlagAlone) {
  Options o;
  o.disc_indicator = false;
  o.command_timeout = 20;
  o.execute_on_selection = true;
  o.control_byte_row = true;
  o.receive_length = 4096;
  o.virtual_drives = false;
  SettingsData data;
  data.control_flag = 3;  // hex input and the disc indicator
  data.exe_imm = 1;       // the console writes its own three options
  data.cnt_apr = 1;
  data.control_buf_len = 4096;
  OptionsToSettings(o, &data);
  EXPECT_EQ(data.control_flag, 1) << "the hex input bit stays";

  SettingsData read;
  ApplySettingsText(FormatSettings(data), &read);
  const Options back = OptionsFromSettings(read);
  EXPECT_FALSE(back.disc_indicator);
  EXPECT_EQ(back.command_timeout, 20u);
  EXPECT_TRUE(back.execute_on_selection);
  EXPECT_TRUE(back.control_byte_row);
  EXPECT_EQ(back.receive_length, 4096u);
  EXPECT_FALSE(back.virtual_drives);
  EXPECT_TRUE(HexInputOf(read));

  HexInputToSettings(false, &read);
  EXPECT_FALSE(HexInputOf(read));
  o.disc_indicator = true;
  OptionsToSettings(o, &read);
  EXPECT_EQ(read.control_flag, 2);
}

TEST(WindowSettings, NumbersOfZeroOrLessReadAsTheDefaults) {
  for (const auto& [timeout, length] : {std::pair{0, -1}, std::pair{-30, 0}}) {
    SettingsData data;
    data.timeout_com = timeout;
    data.control_buf_len = length;
    const Options o = OptionsFromSettings(data);
    EXPECT_EQ(o.command_timeout, 7u) << timeout;
    EXPECT_EQ(o.receive_length, 40960u) << length;
  }
}

}  // namespace
}  // namespace tamarack
