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

using testing::SetChoice;
using testing::SetText;
using testing::StateOf;

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
