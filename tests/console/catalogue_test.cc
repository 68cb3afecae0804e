#include <gtest/gtest.h>

#include "console/command_catalogue.h"
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
  state.row(26).direction = 2;
  state.row(26).length = 36;
  state.row(7).cdb_store[2] = 0x10;
  state.Reset();
  EXPECT_EQ(state.Name(26), "User01");
  EXPECT_EQ(state.Opcode(26), 0u);
  EXPECT_EQ(state.Direction(26), CommandDirection::kNone);
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

}  // namespace
}  // namespace tamarack
