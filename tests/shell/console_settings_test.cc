// The console's and the window's options through the settings file.
#include "shell/console_settings.h"

#include <gtest/gtest.h>

#include "golden.h"
#include "shell/settings_format.h"
#include "shell/window_settings.h"

namespace tamarack {
namespace {

// What the console and the window write (console_settings.txt: the command, the user slot with
// its data and name, the list order, the console's own options, the grouping, the selected
// row; the window's time-out, disc indicator and virtual drives beside the hex input bit, which
// stays) reads back into a console and options that write the same.
TEST(ConsoleSettings, RoundTripThroughTheSettingsFile) {
  Console before;
  before.catalogue().row(7).cdb_store = {0x28, 0, 0, 0, 0x10, 0, 0, 0, 1, 0, 0, 0};
  CommandRowState& slot = before.catalogue().row(kFirstUserRow + 2);
  slot.cdb_store = {0x55, 0x10, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0};
  slot.opcode = 0x55;
  slot.direction = DataDirection::kOut;
  slot.length = 4;
  slot.out_data = {1, 2, 3, 4};
  before.catalogue().RenameSlot(kFirstUserRow + 2, "Select four");
  before.SetListKind(ListKind::kName);
  before.options.execute_on_selection = true;
  before.options.receive_length = 4096;
  before.grouping_index = 1;
  before.SelectRow(7);
  Options o;  // its console options are the console's to write
  o.disc_indicator = false;
  o.command_timeout = 20;
  o.virtual_drives = false;
  o.language = UiLanguage::kEnglish;
  SettingsData data;
  data.control_flag = 3;  // hex input and the disc indicator
  ConsoleToSettings(before, &data);
  OptionsToSettings(o, &data);
  testing::ExpectGoldenFile("console_settings.txt", FormatSettings(data), "shell");

  SettingsData read;
  ApplySettingsText(FormatSettings(data), &read);
  Console after;
  SettingsToConsole(read, &after);
  const Options back = OptionsFromSettings(read);
  EXPECT_TRUE(back.execute_on_selection && back.receive_length == 4096);  // the window's too
  SettingsData again;
  HexInputToSettings(HexInputOf(read), &again);
  ConsoleToSettings(after, &again);
  OptionsToSettings(back, &again);
  EXPECT_EQ(FormatSettings(again), FormatSettings(data));
  HexInputToSettings(false, &again);
  o.disc_indicator = true;
  OptionsToSettings(o, &again);
  EXPECT_EQ(again.control_flag, 2);
  // In the user order the slot's row is kept: several slots may share opcode 0.
  before.SetListKind(ListKind::kUser);
  before.SelectRow(kFirstUserRow + 5);
  ConsoleToSettings(before, &data);
  SettingsToConsole(data, &after);
  EXPECT_EQ(after.current_row(), kFirstUserRow + 5);
}

// In the console and the window alike; a time-out or length of zero or less is the default.
TEST(ConsoleSettings, OutOfRangeValuesFallBackToSafeOnes) {
  SettingsData data;
  data.com_list_kind = 9;
  data.control_buf_len = -5;
  data.timeout_com = 0;
  data.dump_kind = 42;
  data.last_com[kLastComOpcode] = 0x77;  // no such command
  data.users[0].kind = 7;
  Console console;
  SettingsToConsole(data, &console);
  EXPECT_EQ(console.list_kind(), ListKind::kCode);
  EXPECT_EQ(console.options.receive_length, kDefaultReceiveLength);
  EXPECT_EQ(console.grouping_index, 5);
  EXPECT_EQ(console.current_row(), 0u);
  EXPECT_EQ(console.catalogue().row(kFirstUserRow).direction, DataDirection::kNone);
  const Options o = OptionsFromSettings(data);
  EXPECT_EQ(o.command_timeout, 7u);
  EXPECT_EQ(o.receive_length, 40960u);
}

TEST(ConsoleSettings, ModePagesSurviveTheFileAndEmptyRowsKeepTheTemplates) {
  ModePageEditor before;
  const std::size_t sense_row = *before.sense_table().Find(kCapabilitiesPageCode);
  before.sense_table().row(sense_row).buffer[5] = 0x71;
  before.sense_table().row(sense_row).byte_after = 0x09;
  before.select_table().row(1).buffer[2] = 0x44;
  SettingsData data;
  ModePagesToSettings(before, &data);
  ASSERT_EQ(data.mode_select.size(), before.select_table().size());
  ASSERT_EQ(data.mode_sense.size(), before.sense_table().size());
  // A row the file does not hold: the Mode Select template stays.
  data.mode_select[0].fill(0);

  SettingsData read;
  ApplySettingsText(FormatSettings(data), &read);
  ModePageEditor after;
  after.select_table().row(0).buffer[3] = 0x66;  // not touched by an empty row
  SettingsToModePages(read, &after);
  EXPECT_EQ(after.sense_table().SavedRow(sense_row), before.sense_table().SavedRow(sense_row));
  EXPECT_EQ(after.select_table().SavedRow(1), before.select_table().SavedRow(1));
  EXPECT_EQ(after.select_table().row(0).buffer[3], 0x66);

  after.ResetTables();
  EXPECT_EQ(after.select_table().SavedRow(0), ModePageTable::ModeSelect().SavedRow(0));
  EXPECT_EQ(after.sense_table().row(sense_row).buffer[5], 0);
}

// Saved pages are placed by the page code they hold, not by their row: a file whose rows are
// out of order, a table that gained a page before others, and pages no row has (left out with
// a note) each land on their own row or none.
TEST(ConsoleSettings, SavedModePagesGoToTheRowOfTheirPageCode) {
  SettingsData read;
  // 0Eh saved as row 0 and 01h as row 3 (a table of another order); 08h names no row; a code
  // byte of 0 is the page of its row in the files written so far (row 5: 1Ch), past them no
  // page; row 12 lies past today's Mode Select table.
  ApplySettingsText(
      "ModeSelect00=0e0e0000000000000000aabb\n"
      "ModeSelect03=010a07\n"
      "ModeSelect04=080a01\n"
      "ModeSelect05=000055\n"
      "ModeSelect12=2c0403\n"
      "ModeSelect13=000066\n"
      "ModeSenset01=810a2222\n",
      &read);
  ModePageEditor editor;
  const std::vector<std::string> notes = SettingsToModePages(read, &editor);
  const ModePageTable& select = editor.select_table();
  const auto row_of = [](const ModePageTable& t, std::uint32_t code) {
    return t.row(*t.Find(code));
  };
  EXPECT_EQ(row_of(select, 0x0E).buffer[10], 0xAA);
  EXPECT_EQ(row_of(select, 0x01).buffer[2], 0x07);
  EXPECT_EQ(row_of(select, 0x2C).buffer[2], 0x03);
  EXPECT_EQ(row_of(select, 0x1C).buffer[2], 0x55);
  EXPECT_EQ(row_of(editor.sense_table(), 0x01).buffer[3], 0x22);
  // The row of index 0 (01h) and of index 3 (0Eh's old place) hold no foreign page.
  EXPECT_EQ(select.row(0).buffer[0], 0x01);
  EXPECT_EQ(row_of(select, 0x0D).buffer,
            ModePageTable::ModeSelect().row(*select.Find(0x0D)).buffer);
  EXPECT_EQ(notes,
            (std::vector<std::string>{"ModeSelect04: page 08h is no page of the table; left out",
                                      "ModeSelect13: page 00h is no page of the table; left out"}));

  // A table with page 08h inserted after 01h: a file saved before it keeps 05h on 05h's row
  // and 08h's row at its template.
  ModePageEditor before;
  before.select_table().row(*before.select_table().Find(0x05)).buffer[4] = 0x5A;
  SettingsData saved;
  ModePagesToSettings(before, &saved);
  ModePageEditor after;
  std::vector<ModePageRow> rows(before.select_table().rows().begin(),
                                before.select_table().rows().end());
  ModePageRow caching;
  caching.page_code = 0x08;
  caching.page_length = 20;
  caching.buffer[0] = 0x08;
  rows.insert(rows.begin() + 1, caching);
  after.select_table() = ModePageTable::OfRows(ModeTableKind::kSelect, rows);
  SettingsData reread;
  ApplySettingsText(FormatSettings(saved), &reread);
  EXPECT_TRUE(SettingsToModePages(reread, &after).empty());
  EXPECT_EQ(after.select_table().row(2).page_code, 0x05u);
  EXPECT_EQ(after.select_table().row(2).buffer[4], 0x5A);
  EXPECT_EQ(after.select_table().row(1).buffer, caching.buffer);
}

// The command line's drive wins over "Dir="; either is kept whole.
TEST(WindowSettings, TheStartDriveIsTheCommandLinesElseTheSavedOne) {
  SettingsData data;
  data.dir = "emu:type30?speed=max&resid=pad";
  EXPECT_EQ(StartDriveOf(data, ""), "emu:type30?speed=max&resid=pad");
  EXPECT_EQ(StartDriveOf(data, "/dev/sr1"), "/dev/sr1");
  data.dir.clear();
  EXPECT_EQ(StartDriveOf(data, ""), "");
}

}  // namespace
}  // namespace tamarack
