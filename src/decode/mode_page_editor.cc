#include "decode/mode_page_editor.h"

#include <algorithm>

#include "decode/mode_page_fields.h"
#include "decode/mode_select.h"
#include "decode/mode_sense.h"
#include "util/strings.h"

namespace tamarack {

namespace {

FormData PageData(const ModePageRow& row) {
  FormData d;
  d.parameter.assign(row.buffer.begin(), row.buffer.end());
  return d;
}

}  // namespace

ModePageEditor::ModePageEditor() { Open(ModeCommand::kSense, Cdb{}); }

void ModePageEditor::Open(ModeCommand command, const Cdb& cdb) {
  command_ = command;
  tabs_ = TabsOfTable(table());
  if (command == ModeCommand::kSense) {
    sense_tabs_ = tabs_;
    // The page asked for and the page shown are one: the CDB's page when the list has it
    // (shown from its first screen), else the page shown, which the command then asks for.
    const std::optional<std::size_t> asked = sense_.Find(cdb[2] & 0x3Fu);
    if (asked && *asked != sense_at_.page) sense_at_ = {*asked, 0};
    const std::size_t picked = asked.value_or(current_page());
    for (std::size_t i = 0; i < sense_.size(); ++i) sense_.row(i).send = i == picked;
  }
  Refresh();
}

void ModePageEditor::ResetTables() {
  sense_ = ModePageTable::ModeSense();
  select_ = ModePageTable::ModeSelect();
}

std::vector<ModePageListEntry> ModePageEditor::PageList() const {
  std::vector<ModePageListEntry> list;
  for (const ModePageRow& r : table().rows()) {
    int icon = 0;
    if (command_ == ModeCommand::kSense) {
      icon = r.send ? kIconSensePicked : kIconSensePage;
    } else {
      icon = r.send ? kIconPageSent : kIconPageNotSent;
    }
    list.push_back({PageListText(r), icon});
  }
  return list;
}

void ModePageEditor::ClickPage(std::size_t index) {
  if (index >= table().size()) return;
  if (command_ == ModeCommand::kSelect) {
    select_.row(index).send = !select_.row(index).send;
    return;
  }
  for (std::size_t i = 0; i < sense_.size(); ++i) sense_.row(i).send = i == index;
  sense_at_ = {index, 0};
  Refresh();
}

std::optional<std::size_t> ModePageEditor::current_tab() const {
  const std::uint32_t value = ModeTabValue(current_screen(), current_row().page_code);
  for (std::size_t i = 0; i < tabs_.size(); ++i) {
    if (tabs_[i].value == value) return i;
  }
  return std::nullopt;
}

void ModePageEditor::SelectTab(std::size_t index) {
  if (index >= tabs_.size()) return;
  const auto row = table().Find(ModeTabPageCode(tabs_[index].value));
  if (!row) return;
  position() = {*row, ModeTabScreen(tabs_[index].value)};
  Refresh();
}

std::size_t ModePageEditor::current_page() const {
  return std::min(position().page, table().size() - 1);
}

std::uint32_t ModePageEditor::current_screen() const { return position().screen; }

void ModePageEditor::SetHexInput(bool on) {
  RebaseFields(fields_, states_, hex_input_, on);
  hex_input_ = on;
}

void ModePageEditor::Refresh() {
  const ModePageRow& row = current_row();
  fields_ = ModePageFields(row.page_code, current_screen(), row.buffer);
  states_ = FillFields(fields_, PageData(row), hex_input_);
}

void ModePageEditor::Collect(std::size_t index) {
  // Only the edited field is written: a page read from a drive keeps the bytes of every field
  // the user did not touch, whatever the editor would make of them.
  ModePageRow& row = mutable_table().row(current_page());
  FormData d = PageData(row);
  CollectField(fields_, states_, index, d, hex_input_);
  std::copy_n(d.parameter.begin(), row.buffer.size(), row.buffer.begin());
}

void ModePageEditor::UpdateField(std::size_t index, const FieldState& state) {
  if (index >= states_.size()) return;
  states_[index] = state;
  Collect(index);
}

void ModePageEditor::SpinField(std::size_t index, bool up) {
  if (index >= states_.size() || !IsNumberField(fields_[index])) return;
  states_[index].text = tamarack::SpinField(fields_[index], states_[index].text, up, hex_input_);
  Collect(index);
}

void ModePageEditor::ApplyToCommand(Cdb& cdb, std::vector<std::uint8_t>& out_data) const {
  if (command_ == ModeCommand::kSense) {
    for (const ModePageRow& r : sense_.rows()) {
      if (!r.send) continue;
      cdb[2] = static_cast<std::uint8_t>((cdb[2] & 0xC0u) | (r.page_code & 0x3Fu));
      break;
    }
    return;
  }
  out_data = BuildParameterList(select_);
  SetParameterListLength(cdb, out_data.size());
}

std::string ModePageEditor::CopySenseToSelect() {
  std::string copied;
  for (const ModeTab& tab : sense_tabs_) {
    if (ModeTabScreen(tab.value) != 0) continue;
    const std::uint32_t code = ModeTabPageCode(tab.value);
    const auto from = sense_.Find(code);
    if (!from) continue;
    const auto to = select_.Find(code);
    if (!to) continue;
    select_.row(*to).buffer = sense_.row(*from).buffer;
    StrAppendFormat(&copied, "%02xh ", code);
  }
  if (copied.empty()) return copied;
  if (command_ == ModeCommand::kSelect) Refresh();
  return copied + Tr(kCopiedMessage);
}

void ModePageEditor::TakeModeSenseReply(std::span<const std::uint8_t> reply, const Cdb& cdb) {
  const std::vector<std::size_t> found = WalkModeSensePages(reply, sense_);
  sense_tabs_.clear();
  for (std::size_t row : found) {
    const std::vector<ModeTab> t = TabsOfRow(sense_.row(row));
    sense_tabs_.insert(sense_tabs_.end(), t.begin(), t.end());
  }
  if (command_ == ModeCommand::kSense) tabs_ = sense_tabs_;
  if (!found.empty()) sense_at_ = {found.front(), 0};
  const bool changeable = (cdb[2] & 0xC0u) == kChangeableValues;
  changeable_view_enabled_ = changeable;
  copy_enabled_ = !changeable;
  if (command_ == ModeCommand::kSense) Refresh();
}

}  // namespace tamarack
