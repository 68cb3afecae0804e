#include "console/console.h"

#include <algorithm>

#include "console/cdb_text.h"
#include "console/user_slot.h"
#include "decode/basic_commands.h"
#include "mmc/cdb_direction.h"
#include "util/strings.h"

namespace tamarack {

Console::Console() : receive_buffer_(kDefaultReceiveLength, 0) { SelectRow(0, false); }

const CommandBehaviour& Console::behaviour() const { return *current_entry().behaviour; }

ResultView Console::result_view() const {
  if (!typed_text_.empty()) {
    if (const CdbBoxParse typed = ParseCdbBoxText(typed_text_); typed.cdb) {
      const std::optional<std::size_t> row = RowOfTypedCdb(*typed.cdb);
      // An opcode no row has is shown as a dump in the decoded text.
      return row ? CommandCatalogue()[*row].behaviour->view : ResultView::kDecodedText;
    }
  }
  return behaviour().view;
}

bool Console::no_parameter() const { return behaviour().form->no_parameter; }

FormData Console::SourceOf(std::size_t row) const {
  const CommandRowState& s = catalogue_.row(row);
  if (IsUserRow(row)) return SlotFormData(s);
  FormData d;
  d.cdb = s.cdb_store;
  d.parameter = s.out_data;
  return d;
}

void Console::StoreCurrent() {
  CommandRowState& s = catalogue_.row(row_);
  if (IsUserRow(row_)) {
    StoreSlot(current_, s);
    opcode_ = s.opcode;
    return;
  }
  s.cdb_store = current_.cdb;
  if (catalogue_.Direction(row_) == DataDirection::kOut) s.out_data = current_.parameter;
}

bool Console::SelectRow(std::size_t row, bool from_list) {
  if (row >= kCommandRows) return false;
  // Another command shows its own CDB; the same one built again (its page editor, settings
  // loaded) leaves a typed CDB in the box.
  if (from_list || row != row_) {
    typed_text_.clear();
    cdb_note_.clear();
  }
  row_ = row;
  opcode_ = catalogue_.Opcode(row);
  const CommandEntry& entry = current_entry();
  const FormLayout& form = *entry.behaviour->form;
  if (form.forces_hex_input) hex_input_ = true;

  current_ = FormData{};
  current_.cdb[0] = static_cast<std::uint8_t>(opcode_);
  const FormData source = SourceOf(row);
  if (form.on_build) form.on_build(current_, source);
  fields_ = FormFields(form, ControlByteIndex(entry), options.show_control_byte);
  states_ = FillFields(fields_, source, hex_input_);
  Collect();
  parameterless_ = form.no_parameter && !HasEditableField(fields_);
  return from_list && options.execute_on_selection && parameterless_;
}

void Console::Collect() {
  CollectFields(fields_, states_, current_, hex_input_);
  StoreCurrent();
}

bool Console::UpdateField(std::size_t index, const FieldState& state) {
  if (index >= states_.size()) return false;
  const std::uint32_t old_opcode = opcode_;
  states_[index] = state;
  Collect();
  FormEdited();
  return IsUserRow(row_) && opcode_ != old_opcode;
}

void Console::SpinField(std::size_t index, bool up) {
  if (index >= states_.size() || !IsNumberField(fields_[index])) return;
  states_[index].text = tamarack::SpinField(fields_[index], states_[index].text, up, hex_input_);
  Collect();
  FormEdited();
}

void Console::FormEdited() {
  if (typed_text_.empty()) return;
  const CdbBoxParse typed = ParseCdbBoxText(typed_text_);
  std::string bytes = typed.cdb ? tamarack::CdbLine(*typed.cdb) : typed_text_;
  while (!bytes.empty() && bytes.back() == ' ') bytes.pop_back();
  cdb_note_ = StrFormat("The form's CDB replaced the typed one (%s)", bytes.c_str());
  typed_text_.clear();
}

void Console::ReplaceTypedCdb() { FormEdited(); }

void Console::TypeCdb(std::string_view text) {
  const CdbBoxParse typed = ParseCdbBoxText(text);
  if (typed.cdb && *typed.cdb == current_.cdb) {
    typed_text_.clear();
    cdb_note_.clear();
    return;
  }
  typed_text_ = std::string(text);
  if (!typed.cdb) {
    cdb_note_ = typed.error;
  } else if (const std::optional<std::size_t> row = RowOfTypedCdb(*typed.cdb)) {
    cdb_note_ = StrFormat("Typed CDB: sent and decoded as %02xh %s", (*typed.cdb)[0],
                          catalogue_.Name(*row).c_str());
  } else {
    cdb_note_ = StrFormat(
        "Typed CDB: no command of the list has opcode %02xh; its reply is "
        "shown as a dump",
        (*typed.cdb)[0]);
  }
}

std::optional<std::size_t> Console::RowOfTypedCdb(const Cdb& cdb) const {
  if (list_kind_ == ListKind::kUser && IsUserRow(row_)) return row_;
  return FindRowByOpcode(cdb[0], catalogue_);
}

void Console::SetHexInput(bool on) {
  RebaseFields(fields_, states_, hex_input_, on);
  hex_input_ = on;
}

std::string Console::CdbLine() const {
  if (!typed_text_.empty()) {
    if (const CdbBoxParse typed = ParseCdbBoxText(typed_text_); typed.cdb) {
      return tamarack::CdbLine(*typed.cdb);
    }
  }
  return tamarack::CdbLine(current_.cdb);
}

CommandInput Console::InputOf(std::size_t row, const FormData& data) const {
  CommandInput in;
  in.row = row;
  in.user_order = IsUserRow(row) && (list_kind_ == ListKind::kUser || row != row_);
  in.cdb = data.cdb;
  in.transfer_blocks = data.transfer_blocks;
  in.direction = catalogue_.Direction(row);
  if (in.direction == DataDirection::kOut) in.out_data = data.parameter;
  in.slot_length = IsUserRow(row) ? data.length : 0;
  in.receive_request_length = options.receive_length;
  in.decoder = CommandCatalogue()[row].behaviour->decoder;
  in.group_size = GroupSize(grouping_index);
  return in;
}

PlanResult Console::PlanTypedCdb(const Cdb& cdb) const {
  const std::optional<std::size_t> row = RowOfTypedCdb(cdb);
  if (!row) {
    if (SendsDataToDrive(cdb[0])) {
      PlanResult refused;
      refused.message = StrFormat(
          "CDB: opcode %02xh sends data to the drive, and no command of the list has it (a user "
          "slot can send it); nothing was sent",
          cdb[0]);
      return refused;
    }
    FormData data;
    data.cdb = cdb;
    CommandInput in = InputOf(row_, data);
    in.user_order = false;
    in.direction = DataDirection::kIn;
    in.out_data.clear();
    in.decoder = &DecodeTransferredData;
    return PlanCommand(std::move(in));
  }
  // The row's form read from the typed bytes says what the command needs beyond them (the
  // blocks a read prepares for, the data a command sends); the bytes go out as typed.
  const CommandEntry& entry = CommandCatalogue()[*row];
  const FormLayout& form = *entry.behaviour->form;
  FormData data = SourceOf(*row);
  data.cdb = cdb;
  const std::vector<FieldDescriptor> fields =
      FormFields(form, ControlByteIndex(entry), options.show_control_byte);
  std::vector<FieldState> states = FillFields(fields, data, hex_input_);
  CollectFields(fields, states, data, hex_input_);
  data.cdb = cdb;
  return PlanCommand(InputOf(*row, data));
}

PlanResult Console::PrepareExecution(std::string_view cdb_box_text) {
  if (cdb_editable_) {
    TypeCdb(cdb_box_text);
    const CdbBoxParse typed = ParseCdbBoxText(cdb_box_text);
    if (!typed.cdb) {
      PlanResult refused;
      refused.message = typed.error + "; nothing was sent";
      return refused;
    }
    if (has_typed_cdb()) return PlanTypedCdb(*typed.cdb);
  }
  Collect();
  return PlanCommand(InputOf(row_, current_));
}

void Console::FinishExecution(const CommandReport& report) {
  last_sent_cdb_ = report.sent_cdb;
  if (report.sent) {
    has_sent_ = true;
    last_transferred_ = report.transferred;
  }
  current_.transfer_blocks = 0;
  if (receive_buffer_.size() != options.receive_length) {
    receive_buffer_.resize(options.receive_length, 0);
  }
  if (report.receive_data) {
    const std::size_t n = std::min(report.receive_data->size(), receive_buffer_.size());
    std::copy_n(report.receive_data->begin(), n, receive_buffer_.begin());
  }
}

}  // namespace tamarack
