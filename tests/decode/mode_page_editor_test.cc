#include "decode/mode_page_editor.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/execute_command.h"
#include "console/form_driver.h"
#include "console/mode_page_command.h"
#include "decode/mode_select.h"
#include "decode/mode_sense.h"
#include "device/clock.h"
#include "device/device_session.h"
#include "device/sense_table.h"
#include "emu/virtual_drive_provider.h"
#include "util/bytes.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Page(std::uint8_t code, std::size_t size, std::uint8_t fill = 0) {
  Bytes p(size, fill);
  p[0] = code;
  p[1] = static_cast<std::uint8_t>(size - 2);
  return p;
}

Bytes Reply(const std::vector<Bytes>& pages) {
  std::size_t size = 8;
  for (const Bytes& p : pages) size += p.size();
  Bytes r(size, 0);
  std::size_t at = 8;
  for (const Bytes& p : pages) {
    for (std::uint8_t b : p) r[at++] = b;
  }
  WriteBe16(r, 0, static_cast<std::uint32_t>(r.size() - 2));
  return r;
}

using testing::FieldNamed;
using testing::StateOf;

std::size_t TabIndex(const ModePageEditor& e, const std::string& label) {
  for (std::size_t i = 0; i < e.tabs().size(); ++i) {
    if (e.tabs()[i].label == label) return i;
  }
  ADD_FAILURE() << "no tab " << label;
  return 0;
}

std::vector<std::string> TabLabels(const ModePageEditor& e) {
  std::vector<std::string> labels;
  for (const ModeTab& t : e.tabs()) labels.push_back(t.label);
  return labels;
}

TEST(ModePageEditor, OpeningTheFormsFillsListsAndTabs) {
  ModePageEditor e;
  Cdb cdb{};
  cdb[2] = 0x41;  // changeable values of page 01h
  e.Open(ModeCommand::kSense, cdb);
  const auto list = e.PageList();
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list[0].text, "3fh Return all pages ");
  EXPECT_EQ(list[0].icon, kIconSensePage);
  EXPECT_EQ(list[1].icon, kIconSensePicked);
  EXPECT_EQ(e.tabs().size(), 16u);
  EXPECT_FALSE(e.copy_enabled());
  EXPECT_FALSE(e.changeable_view_enabled());

  e.Open(ModeCommand::kSelect, Cdb{});
  ASSERT_EQ(e.PageList().size(), 9u);
  EXPECT_EQ(e.PageList()[1].text, "05h Write Parameter");
  EXPECT_EQ(e.PageList()[0].icon, kIconPageNotSent);
  EXPECT_EQ(e.tabs().size(), 15u);
  EXPECT_EQ(e.PageName(), "Read/Write Error Recovery");
  EXPECT_EQ(e.fields().size(), 10u);
}

TEST(ModePageEditor, TabChangesShowOnlyThatPageAndScreen) {
  ModePageEditor e;
  e.Open(ModeCommand::kSelect, Cdb{});
  e.SelectTab(TabIndex(e, "2ah (5)"));
  EXPECT_EQ(e.current_row().page_code, 0x2Au);
  EXPECT_EQ(e.current_screen(), 4u);
  EXPECT_EQ(e.current_tab(), std::optional<std::size_t>(TabIndex(e, "2ah (5)")));
  // The Mode Select page 2Ah is 30 bytes (length byte 28): screen 5 is empty.
  EXPECT_TRUE(e.fields().empty());
  EXPECT_FALSE(e.has_number_fields());
  e.SelectTab(TabIndex(e, "2ah (1)"));
  FieldState length = StateOf(e, "Page Length");
  EXPECT_EQ(length.text, "28");
  length.text = "36";
  e.UpdateField(FieldNamed(e, "Page Length"), length);
  e.SelectTab(TabIndex(e, "2ah (5)"));
  EXPECT_EQ(e.fields().size(), 3u);
  e.SelectTab(TabIndex(e, "0dh"));
  EXPECT_EQ(e.PageName(), "CD Device Parameters");
  EXPECT_EQ(StateOf(e, "Number Of MSF - S Units Per MSF M Unit").text, "60");
  e.SetHexInput(true);
  EXPECT_EQ(StateOf(e, "Number Of MSF - F Units Per MSF S Unit").text, "4b");
  e.SpinField(FieldNamed(e, "Number Of MSF - F Units Per MSF S Unit"), true);
  EXPECT_EQ(e.current_row().buffer[7], 0x4C);
  // Out-of-range indices change nothing.
  e.SelectTab(99);
  e.UpdateField(99, FieldState{});
  e.ClickPage(99);
  EXPECT_EQ(e.PageName(), "CD Device Parameters");
}

TEST(ModePageEditor, ClickingAPageTwiceInModeSelectLeavesTheHeaderAlone) {
  ModePageEditor e;
  e.Open(ModeCommand::kSelect, Cdb{});
  Cdb cdb{};
  Bytes out;
  e.ClickPage(0);
  EXPECT_EQ(e.PageList()[0].icon, kIconPageSent);
  e.ApplyToCommand(cdb, out);
  EXPECT_EQ(out.size(), 20u);
  EXPECT_EQ(ReadBe16(cdb, 7), 20);
  e.ClickPage(0);
  EXPECT_EQ(e.PageList()[0].icon, kIconPageNotSent);
  e.ApplyToCommand(cdb, out);
  EXPECT_EQ(out, Bytes(8, 0));
  EXPECT_EQ(ReadBe16(cdb, 7), 8);
}

TEST(ModePageEditor, ModeSensePageClickPicksOnePage) {
  ModePageEditor e;
  e.Open(ModeCommand::kSense, Cdb{});
  e.ClickPage(8);  // 2Ah
  auto list = e.PageList();
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].icon, i == 8 ? kIconSensePicked : kIconSensePage) << i;
  }
  EXPECT_EQ(e.current_tab(), std::optional<std::size_t>(TabIndex(e, "2ah (1)")));
  Cdb cdb{};
  cdb[2] = 0x80;  // default values
  Bytes out;
  e.ApplyToCommand(cdb, out);
  EXPECT_EQ(cdb[2], 0xAA);
  EXPECT_TRUE(out.empty());
  e.ClickPage(0);
  e.ApplyToCommand(cdb, out);
  EXPECT_EQ(cdb[2], 0xBF);
}

TEST(ModePageEditor, CopyAfterAllPagesNamesEveryCopiedPageInTabOrder) {
  ModePageEditor e;
  Cdb cdb{};
  cdb[2] = 0x3F;
  e.Open(ModeCommand::kSense, cdb);
  // As a drive returns them: PS bits on the saveable pages, and one page no table knows.
  const Bytes reply = Reply({Page(0x81, 12, 0x01), Page(0x05, 52, 0x05), Page(0x08, 12),
                             Page(0x8D, 8, 0x0D), Page(0x8E, 16), Page(0x9A, 12), Page(0x9C, 12),
                             Page(0x9D, 10), Page(0x2A, 30, 0x2A), Page(0xAC, 6)});
  e.TakeModeSenseReply(reply, cdb);
  EXPECT_EQ(TabLabels(e),
            (std::vector<std::string>{"01h", "05h (1)", "05h (2)", "05h (3)", "0dh", "0eh", "1ah",
                                      "1ch", "1dh", "2ah (1)", "2ah (2)", "2ah (3)", "2ah (4)",
                                      "2ah (5)", "2ch"}));
  EXPECT_EQ(e.current_row().page_code, 0x01u);
  EXPECT_EQ(e.current_screen(), 0u);
  EXPECT_EQ(StateOf(e, "Read Retry Count").text, "1");
  EXPECT_TRUE(e.copy_enabled());
  EXPECT_FALSE(e.changeable_view_enabled());
  EXPECT_EQ(e.CopySenseToSelect(), "01h 05h 0dh 0eh 1ah 1ch 1dh 2ah 2ch ﾊﾟﾗﾒﾀをｺﾋﾟｰしました");
  const ModePageTable& select = e.select_table();
  EXPECT_EQ(select.row(*select.Find(0x05)).buffer[51], 0x05);
  EXPECT_EQ(select.row(*select.Find(0x0D)).buffer[0], 0x8D);
  EXPECT_EQ(select.row(*select.Find(0x2A)).buffer[29], 0x2A);
  // The editor of Mode Select shows the copied values.
  e.Open(ModeCommand::kSelect, Cdb{});
  EXPECT_EQ(StateOf(e, "Read Retry Count").text, "1");
}

TEST(ModePageEditor, AnEditChangesOnlyItsFieldAndTheListGoesWithoutPs) {
  // Page 1Ch as a current drive returns it: saveable (PS), method of reporting 3, both
  // four-byte fields FFFFFFFFh.
  ModePageEditor e;
  Cdb cdb{};
  cdb[2] = 0x1C;
  e.Open(ModeCommand::kSense, cdb);
  const Bytes page = {0x9C, 0x0A, 0x08, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  e.TakeModeSenseReply(Reply({page}), cdb);
  ASSERT_EQ(e.CopySenseToSelect(), "1ch ﾊﾟﾗﾒﾀをｺﾋﾟｰしました");
  e.Open(ModeCommand::kSelect, Cdb{});
  e.SelectTab(TabIndex(e, "1ch"));
  EXPECT_EQ(StateOf(e, "Interval Timer").text, "-1");  // the decimal box is signed
  testing::SetChecked(e, "Test", true);
  e.ClickPage(*e.select_table().Find(0x1C));
  Cdb select_cdb{};
  Bytes list;
  e.ApplyToCommand(select_cdb, list);
  Bytes expected(8, 0);
  expected.insert(expected.end(), page.begin(), page.end());
  expected[8] = 0x1C;   // PS cleared
  expected[10] = 0x0C;  // Test set, the rest as read
  EXPECT_EQ(list, expected);
}

TEST(ModePageEditor, ChangeableValuesEnableTheChangeableViewAndNothingCopiesNothing) {
  ModePageEditor e;
  Cdb cdb{};
  cdb[2] = 0x40 | 0x2C;
  e.Open(ModeCommand::kSense, cdb);
  e.TakeModeSenseReply(Reply({Page(0x2C, 6, 0x01)}), cdb);
  EXPECT_TRUE(e.changeable_view_enabled());
  EXPECT_FALSE(e.copy_enabled());
  EXPECT_EQ(TabLabels(e), (std::vector<std::string>{"2ch"}));
  // Only a page both tables know is copied; 3Fh alone gives no message.
  e.TakeModeSenseReply(Reply({Page(0x3F, 6)}), Cdb{});
  EXPECT_EQ(TabLabels(e), (std::vector<std::string>{"3fh"}));
  EXPECT_EQ(e.CopySenseToSelect(), "");
  // A reply without pages leaves an empty strip and the current page as it was.
  e.TakeModeSenseReply(Reply({}), Cdb{});
  EXPECT_TRUE(e.tabs().empty());
  EXPECT_EQ(e.current_row().page_code, 0x3Fu);
}

// --- which rows show the editor, and what reaches the command ---

TEST(PageEditorOf, OnlyTheBuiltInModeCommandsShowAnEditor) {
  Console console;
  for (std::size_t row = 0; row < kCommandRows; ++row) {
    console.SelectRow(row, false);
    const std::uint32_t opcode = CommandCatalogue()[row].opcode;
    const std::optional<ModeCommand> editor = PageEditorOf(console);
    if (opcode == kModeSenseOpcode) {
      EXPECT_EQ(editor, ModeCommand::kSense);
    } else if (opcode == kModeSelectOpcode) {
      EXPECT_EQ(editor, ModeCommand::kSelect);
    } else {
      EXPECT_EQ(editor, std::nullopt) << "row " << row;
    }
  }
}

TEST(PageEditorOf, AUserSlotSendingModeSenseGetsNothingFromTheEditor) {
  Console console;
  console.catalogue().row(kFirstUserRow).cdb_store[0] = kModeSenseOpcode;
  console.SelectRow(kFirstUserRow, false);
  ASSERT_EQ(console.current_opcode(), kModeSenseOpcode);
  EXPECT_EQ(PageEditorOf(console), std::nullopt);

  ModePageEditor editor;
  editor.Open(ModeCommand::kSense, Cdb{});
  editor.ClickPage(*editor.table().Find(kCapabilitiesPageCode));
  const Cdb before = console.current_cdb();
  EXPECT_FALSE(ApplyEditorToConsole(editor, console));
  EXPECT_EQ(console.current_cdb(), before);

  // The Mode Select editor does not write into Mode Sense either.
  console.SelectRow(*FindRowByOpcode(kModeSenseOpcode, console.catalogue()), false);
  editor.Open(ModeCommand::kSelect, Cdb{});
  EXPECT_FALSE(ApplyEditorToConsole(editor, console));
  editor.Open(ModeCommand::kSense, Cdb{});
  editor.ClickPage(*editor.table().Find(kCapabilitiesPageCode));
  EXPECT_TRUE(ApplyEditorToConsole(editor, console));
  EXPECT_EQ(static_cast<std::uint32_t>(console.current_cdb()[2] & 0x3F), kCapabilitiesPageCode);
}

TEST(CommandBehaviour, OnlySeekSaysItSucceededWhenItsFormIsBuilt) {
  std::vector<std::uint32_t> opcodes;
  for (const CommandEntry& e : CommandCatalogue()) {
    if (e.behaviour && e.behaviour->succeeds_when_built) opcodes.push_back(e.opcode);
  }
  EXPECT_EQ(opcodes, (std::vector<std::uint32_t>{0x2B}));
}

}  // namespace
}  // namespace tamarack
