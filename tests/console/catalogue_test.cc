// The command catalogue and its user slots: their names, opcodes, data and form.
#include <gtest/gtest.h>

#include "console/command_catalogue.h"
#include "console/console.h"
#include "console/form_driver.h"
#include "console/user_slot.h"

namespace tamarack {
namespace {

TEST(Catalogue, UserSlotEntriesFollowOpcodeAndName) {
  CatalogueState state;
  state.row(27).opcode = 0xBE;
  state.RenameSlot(27, "Raw read");
  EXPECT_EQ(CommandList(ListKind::kUser, state)[1].text, "beh Raw read");
  // Typing byte 0 rewrites the entry with the slot number, whatever the name.
  EXPECT_EQ(SlotEntryAfterOpcodeEdit(27, 0x12), "12h User02");
  EXPECT_EQ(state.Name(27), "Raw read");
}

TEST(Catalogue, RenameCutsAtThirtyCharactersAndResetRestores) {
  CatalogueState state;
  state.RenameSlot(26, std::string(40, 'x'));
  EXPECT_EQ(state.Name(26), std::string(30, 'x'));
  // Whole characters: 31 katakana (three bytes each) keep 30 of them.
  std::string kana;
  for (int i = 0; i < 31; ++i) kana += "ｱ";
  state.RenameSlot(26, kana);
  EXPECT_EQ(state.Name(26).size(), 90u);
  state.RenameSlot(3, "not a slot");
  EXPECT_EQ(state.Name(3), "Mode Sense(10)");

  state.row(26).opcode = 0x12;
  state.row(26).direction = DataDirection::kIn;
  state.row(26).length = 36;
  state.row(7).cdb_store[2] = 0x10;
  state.Reset();
  EXPECT_EQ(state.Name(26), "User01");
  EXPECT_EQ(state.Opcode(26), 0u);
  EXPECT_EQ(state.Direction(26), DataDirection::kNone);
  EXPECT_EQ(state.row(26).length, 0u);
  EXPECT_EQ(state.row(7).cdb_store, Cdb{});
}

TEST(Catalogue, FindsTheFirstRowWithAnOpcode) {
  CatalogueState state;
  EXPECT_EQ(FindRowByOpcode(0x28, state), 7u);
  EXPECT_EQ(FindRowByOpcode(0x00, state), 0u);  // Test Unit Ready before the empty slots
  EXPECT_FALSE(FindRowByOpcode(0xEE, state));
  state.row(30).opcode = 0xEE;
  EXPECT_EQ(FindRowByOpcode(0xEE, state), 30u);
}

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
  EXPECT_EQ(c.catalogue().Direction(27), DataDirection::kOut);
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
