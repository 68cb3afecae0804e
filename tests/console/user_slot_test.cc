#include "console/user_slot.h"

#include <gtest/gtest.h>

#include "console/console.h"
#include "console/form_driver.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ParseSlotData, PairsSingleDigitsBlanksAndStarsAndItsOwnText) {
  EXPECT_EQ(ParseSlotData("01 02 03 04 05", 4), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(ParseSlotData("01020304", 4), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(ParseSlotData("aB Cd", 2), (Bytes{0xAB, 0xCD}));
  EXPECT_EQ(ParseSlotData("1 2\r\n3", 4), (Bytes{1, 2, 3, 0}));  // single digits; the rest 0
  EXPECT_EQ(ParseSlotData("**  *1 1*", 3), (Bytes{0x00, 0x01, 0x10}));
  EXPECT_EQ(ParseSlotData("\r\n\r\n  ff", 1), (Bytes{0xFF}));
  EXPECT_EQ(ParseSlotData("", 3), (Bytes{0, 0, 0}));
  EXPECT_EQ(ParseSlotData("ff", 0), Bytes{});
  EXPECT_EQ(ParseSlotData("f", 1), (Bytes{0x0F}));  // a digit at the very end
  // The text of slot data: sixteen bytes a line, read back as they were.
  Bytes d(17);
  d[16] = 0xAB;
  EXPECT_EQ(SlotDataText(d), std::string(32, '0') + "\r\nab");
  EXPECT_EQ(ParseSlotData(SlotDataText(d), 17), d);
}

using testing::FieldNamed;
using testing::SetChoice;
using testing::SetText;
using testing::StateOf;

TEST(UserSlotForm, ShowsTheSlotInHexAndWritesTheCdbBack) {
  Console c;
  c.SetListKind(ListKind::kUser);
  c.catalogue().row(26).cdb_store = {0x12, 0, 0, 0, 0x24};
  c.catalogue().row(26).opcode = 0x12;
  c.SelectRow(26);
  EXPECT_TRUE(c.hex_input());  // the slot form switches hex input on
  EXPECT_FALSE(c.parameterless());
  EXPECT_EQ(StateOf(c, " 04").text, "24");
  EXPECT_EQ(StateOf(c, "ﾃﾞｰﾀ転送のﾀｲﾌﾟ").choice, 0);
  EXPECT_FALSE(StateOf(c, "ﾃﾞｰﾀ長").enabled);
  EXPECT_FALSE(StateOf(c, "ﾃﾞｰﾀ(PC->Drive)").enabled);
  EXPECT_TRUE(c.fields()[FieldNamed(c, " 11")].same_row);

  // Typing byte 0 changes the slot's opcode: the list entry is rewritten.
  FieldState b0 = StateOf(c, " 00");
  b0.text = "5a";
  EXPECT_TRUE(c.UpdateField(FieldNamed(c, " 00"), b0));
  EXPECT_EQ(c.catalogue().Opcode(26), 0x5Au);
  EXPECT_EQ(c.current_opcode(), 0x5Au);
  EXPECT_FALSE(c.UpdateField(FieldNamed(c, " 01"), StateOf(c, " 01")));
  EXPECT_EQ(c.CdbLine(), "5a 00 00 00 24 00 00 00 00 00 00 00 ");
  EXPECT_EQ(c.catalogue().row(26).cdb_store[0], 0x5A);
}

TEST(UserSlotForm, DataOutWithLengthFourSendsFourBytes) {
  Console c;
  c.SetListKind(ListKind::kUser);
  c.SelectRow(27);
  SetText(c, " 00", "55");
  SetChoice(c, "ﾃﾞｰﾀ転送のﾀｲﾌﾟ", 1);
  EXPECT_TRUE(StateOf(c, "ﾃﾞｰﾀ長").enabled);
  EXPECT_TRUE(StateOf(c, "ﾃﾞｰﾀ(PC->Drive)").enabled);
  SetText(c, "ﾃﾞｰﾀ長", "4");
  SetText(c, "ﾃﾞｰﾀ(PC->Drive)", "01 02 03 04 05");
  EXPECT_EQ(c.catalogue().row(27).out_data, (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(c.catalogue().Direction(27), CommandDirection::kOut);
  const PlanResult p = c.PrepareExecution("");
  ASSERT_TRUE(p.plan);
  EXPECT_TRUE(p.plan->data_out);
  EXPECT_EQ(p.plan->input.out_data, (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(p.plan->input.cdb[0], 0x55);

  // Selecting the slot again shows its data.
  c.SelectRow(26);
  c.SelectRow(27);
  EXPECT_EQ(StateOf(c, "ﾃﾞｰﾀ(PC->Drive)").text, "01020304");
  EXPECT_EQ(StateOf(c, "ﾃﾞｰﾀ長").text, "4");
}

}  // namespace
}  // namespace tamarack
