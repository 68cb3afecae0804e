// The console of the Command tab as a model: the catalogue state, the list order, the
// selected command and its form, the current CDB, the options, and what execution needs
// and leaves behind. Window-thread object; a running command works on a copy (CommandPlan).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "console/command_catalogue.h"
#include "console/execute_command.h"
#include "form/form_layout.h"
#include "form/hex_dump.h"

namespace tamarack {

inline constexpr std::uint32_t kDefaultReceiveLength = 40960;

struct ConsoleOptions {
  bool execute_on_selection = false;                     // "ExeImm="
  bool show_control_byte = false;                        // "CntApr="
  std::uint32_t receive_length = kDefaultReceiveLength;  // "ControlBufLen="
};

class Console {
 public:
  Console();

  CatalogueState& catalogue() { return catalogue_; }
  const CatalogueState& catalogue() const { return catalogue_; }
  ConsoleOptions options;
  int grouping_index = kDefaultGroupingIndex;  // the grouping box

  // --- the command list ---
  ListKind list_kind() const { return list_kind_; }
  void SetListKind(ListKind kind) { list_kind_ = kind; }
  std::vector<ListEntry> ListEntries() const { return CommandList(list_kind_, catalogue_); }

  // --- the selected command and its form ---
  // Builds the form of `row` and collects it once. Returns true when the selection should
  // execute the command at once: it came from the list, execute-on-selection is on and the
  // form has nothing to edit.
  bool SelectRow(std::size_t row, bool from_list = true);
  std::size_t current_row() const { return row_; }
  // The opcode the selection is remembered by ("LastCom=").
  std::uint32_t current_opcode() const { return opcode_; }
  const CommandEntry& current_entry() const { return CommandCatalogue()[row_]; }
  const CommandBehaviour& behaviour() const;
  ResultView result_view() const;

  const std::vector<FieldDescriptor>& fields() const { return fields_; }
  const std::vector<FieldState>& field_states() const { return states_; }
  bool no_parameter() const;  // the form shows "No Parameter"
  bool parameterless() const { return parameterless_; }
  bool has_number_fields() const { return HasNumberField(fields_); }

  // Live collection: a control of the form changed. Collects the whole form into the
  // current command and stores it in the row. Returns true when a user slot's byte 0
  // changed (its list entry is rewritten, SlotEntryAfterOpcodeEdit).
  bool UpdateField(std::size_t index, const FieldState& state);
  // A spin button of a number field was pressed.
  void SpinField(std::size_t index, bool up);
  // Phase 2: collects the form into the current command.
  void Collect();

  bool hex_input() const { return hex_input_; }
  // The base switch: number boxes are rewritten in the new base.
  void SetHexInput(bool on);

  const Cdb& current_cdb() const { return current_.cdb; }
  const FormData& current() const { return current_; }
  std::string CdbLine() const;
  // The CDB box: read-only until "Edit"; then the typed text is what execution sends.
  bool cdb_editable() const { return cdb_editable_; }
  void EnableCdbEdit() { cdb_editable_ = true; }

  // --- execution ---
  // Steps 1 to 5 on the window thread: the CDB (from the form, or from `cdb_box_text`
  // when the CDB box is editable) and the buffer checks. A message means nothing is sent.
  PlanResult PrepareExecution(std::string_view cdb_box_text);
  // What the command left behind: the last sent CDB and the receive buffer's content.
  void FinishExecution(const CommandReport& report);
  const Cdb& last_sent_cdb() const { return last_sent_cdb_; }
  const std::vector<std::uint8_t>& receive_buffer() const { return receive_buffer_; }
  // The bytes the last command moved (the control-data window shows them); 0 before any.
  std::uint32_t last_transferred() const { return last_transferred_; }
  bool has_sent() const { return has_sent_; }
  std::uint32_t receive_request_length() const { return options.receive_length; }

 private:
  FormData SourceOf(std::size_t row) const;
  void StoreCurrent();

  CatalogueState catalogue_;
  ListKind list_kind_ = ListKind::kCode;
  std::size_t row_ = 0;
  std::uint32_t opcode_ = 0;
  std::vector<FieldDescriptor> fields_;
  std::vector<FieldState> states_;
  FormData current_;
  bool parameterless_ = false;
  bool hex_input_ = false;
  bool cdb_editable_ = false;
  Cdb last_sent_cdb_{};
  std::uint32_t last_transferred_ = 0;
  bool has_sent_ = false;
  std::vector<std::uint8_t> receive_buffer_;
};

}  // namespace tamarack
