#include "console/console.h"

#include <algorithm>

#include "console/cdb_text.h"
#include "console/user_slot.h"

namespace tamarack {

Console::Console() : receive_buffer_(kDefaultReceiveLength, 0) { SelectRow(0, false); }

const CommandBehaviour& Console::behaviour() const { return *current_entry().behaviour; }

ResultView Console::result_view() const { return behaviour().view; }

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
  if (catalogue_.Direction(row_) == CommandDirection::kOut) s.out_data = current_.parameter;
}

bool Console::SelectRow(std::size_t row, bool from_list) {
  if (row >= kCommandRows) return false;
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
  return IsUserRow(row_) && opcode_ != old_opcode;
}

void Console::SpinField(std::size_t index, bool up) {
  if (index >= states_.size() || !IsNumberField(fields_[index])) return;
  states_[index].text = tamarack::SpinField(fields_[index], states_[index].text, up, hex_input_);
  Collect();
}

void Console::SetHexInput(bool on) {
  RebaseFields(fields_, states_, hex_input_, on);
  hex_input_ = on;
}

std::string Console::CdbLine() const { return tamarack::CdbLine(current_.cdb); }

PlanResult Console::PrepareExecution(std::string_view cdb_box_text) {
  if (cdb_editable_) {
    CdbBoxParse typed = ParseCdbBoxText(cdb_box_text);
    if (!typed.cdb) {
      PlanResult refused;
      refused.message = typed.error + "; nothing was sent";
      return refused;
    }
    current_.cdb = *typed.cdb;
  } else {
    Collect();
  }
  CommandInput in;
  in.row = row_;
  in.user_order = list_kind_ == ListKind::kUser && IsUserRow(row_);
  in.cdb = current_.cdb;
  in.transfer_blocks = current_.transfer_blocks;
  in.direction = catalogue_.Direction(row_);
  if (in.direction == CommandDirection::kOut) in.out_data = current_.parameter;
  in.slot_length = IsUserRow(row_) ? current_.length : 0;
  in.receive_request_length = options.receive_length;
  in.decoder = behaviour().decoder;
  in.group_size = GroupSize(grouping_index);
  return PlanCommand(std::move(in));
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
