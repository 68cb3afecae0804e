#include "shell/console_settings.h"

#include <algorithm>
#include <string>
#include <vector>

#include "util/strings.h"

namespace tamarack {

// The settings file holds a "Com%02d=" line per built-in row and a "User%02d=" set per slot: a
// catalogue of another size would need a new file layout, not a silent cut.
static_assert(static_cast<std::size_t>(kBuiltInCommandRows) == kBuiltInRows,
              "one Com line per built-in catalogue row");
static_assert(static_cast<std::size_t>(kUserSlots) == kUserSlotCount,
              "one User line set per user slot");

void ConsoleToSettings(const Console& console, SettingsData* d) {
  const CatalogueState& cat = console.catalogue();
  for (std::size_t i = 0; i < d->com.size() && i < kBuiltInRows; ++i) {
    d->com[i] = cat.row(i).cdb_store;
  }
  for (std::size_t s = 0; s < d->users.size() && s < kUserSlotCount; ++s) {
    const CommandRowState& row = cat.row(kFirstUserRow + s);
    UserSlotSettings& u = d->users[s];
    u.cdb = row.cdb_store;
    u.kind = static_cast<int>(DirectionCode(row.direction));
    u.length = row.length;
    u.data = row.out_data;
    u.name = row.name;
  }
  // "SendEventParam=": Send Event's parameter list, the event the form last built.
  if (auto row = FindRowByOpcode(0xA2, cat)) {
    const auto& list = cat.row(*row).out_data;
    d->send_event_param.fill(0);
    std::copy_n(list.begin(), std::min(list.size(), d->send_event_param.size()),
                d->send_event_param.begin());
  }
  d->com_list_kind = static_cast<int>(console.list_kind());
  d->last_com[kLastComOpcode] = static_cast<int>(console.current_opcode());
  d->last_com[kLastComRow] = static_cast<int>(console.current_row());
  d->execute_on_selection = console.options.execute_on_selection ? 1 : 0;
  d->show_control_byte = console.options.show_control_byte ? 1 : 0;
  d->control_buf_len = static_cast<int>(console.options.receive_length);
  d->dump_kind = console.grouping_index;
}

void SettingsToConsole(const SettingsData& d, Console* console) {
  CatalogueState& cat = console->catalogue();
  for (std::size_t i = 0; i < d.com.size() && i < kBuiltInRows; ++i) {
    cat.row(i).cdb_store = d.com[i];
  }
  for (std::size_t s = 0; s < d.users.size() && s < kUserSlotCount; ++s) {
    const UserSlotSettings& u = d.users[s];
    CommandRowState& row = cat.row(kFirstUserRow + s);
    row.cdb_store = u.cdb;
    row.opcode = u.cdb[0];
    row.direction =
        u.kind >= 0 ? DirectionFromCode(static_cast<std::uint32_t>(u.kind)) : DataDirection::kNone;
    row.length = u.length;
    row.out_data = u.data;
    if (u.name.empty()) {
      row.name = DefaultSlotName(s);
    } else {
      cat.RenameSlot(kFirstUserRow + s, u.name);
    }
  }
  if (auto row = FindRowByOpcode(0xA2, cat)) {
    cat.row(*row).out_data.assign(d.send_event_param.begin(), d.send_event_param.end());
  }
  const int kind = d.com_list_kind;
  console->SetListKind(kind >= 0 && kind <= 2 ? static_cast<ListKind>(kind) : ListKind::kCode);
  console->options.execute_on_selection = d.execute_on_selection != 0;
  console->options.show_control_byte = d.show_control_byte != 0;
  // A receive length of 0 or less would leave no buffer: keep the default.
  if (d.control_buf_len > 0) {
    console->options.receive_length = static_cast<std::uint32_t>(d.control_buf_len);
  }
  console->grouping_index = std::clamp(d.dump_kind, 0, 5);

  // The remembered command: by row in user order, else by opcode.
  const int row = d.last_com[kLastComRow];
  const auto opcode = static_cast<std::uint32_t>(d.last_com[kLastComOpcode]);
  std::size_t selected = 0;
  if (console->list_kind() == ListKind::kUser && row >= 0 &&
      IsUserRow(static_cast<std::size_t>(row))) {
    selected = static_cast<std::size_t>(row);
  } else if (auto found = FindRowByOpcode(opcode, cat)) {
    selected = *found;
  }
  console->SelectRow(selected, /*from_list=*/false);
}

namespace {

// Each saved row goes to the row of the page code it holds, not to the row of its index: a
// table that gains or reorders a page keeps every saved page on its own row.
void LoadTable(const char* key, const std::vector<SettingsData::ModePageRow>& rows,
               ModePageTable* table, std::vector<std::string>* notes) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const bool empty =
        std::all_of(rows[i].begin(), rows[i].end(), [](std::uint8_t b) { return b == 0; });
    if (empty || table->LoadSavedPage(i, rows[i])) continue;
    notes->push_back(StrFormat("%s%02zu: page %02xh is no page of the table; left out", key, i,
                               static_cast<unsigned>(rows[i][0] & 0x3Fu)));
  }
}

void SaveTable(const ModePageTable& table, std::vector<SettingsData::ModePageRow>* rows) {
  rows->resize(table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    const auto saved = table.SavedRow(i);
    std::copy_n(saved.begin(), std::min(saved.size(), (*rows)[i].size()), (*rows)[i].begin());
  }
}

}  // namespace

void ModePagesToSettings(const ModePageEditor& editor, SettingsData* d) {
  SaveTable(editor.select_table(), &d->mode_select);
  SaveTable(editor.sense_table(), &d->mode_sense);
}

std::vector<std::string> SettingsToModePages(const SettingsData& d, ModePageEditor* editor) {
  std::vector<std::string> notes;
  LoadTable("ModeSelect", d.mode_select, &editor->select_table(), &notes);
  LoadTable("ModeSenset", d.mode_sense, &editor->sense_table(), &notes);
  return notes;
}

}  // namespace tamarack
