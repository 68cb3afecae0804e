// The console of the Command tab as a model: the catalogue state, the list order, the
// selected command and its form, the current CDB, the options, and what execution needs
// and leaves behind. Window-thread object; a running command works on a copy (CommandPlan).
#pragma once

#include <cstdint>
#include <optional>
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
  // The result view of the command the box sends: a typed CDB's own command's.
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
  // The CDB box's text: the typed CDB while there is one, else the form's.
  std::string CdbLine() const;
  // The CDB box: read-only until "Edit"; then the typed text is what execution sends.
  bool cdb_editable() const { return cdb_editable_; }
  void EnableCdbEdit() { cdb_editable_ = true; }
  // The editable box's text as typed. Text that differs from the form's CDB is the typed CDB:
  // execution sends exactly its bytes as the command its opcode names (RowOfTypedCdb), and
  // the form is left as it was. Typed bytes are never merged with the form: an edit of the
  // form (a field, a spin, ReplaceTypedCdb) replaces them with the form's CDB and says so.
  void TypeCdb(std::string_view text);
  bool has_typed_cdb() const { return !typed_text_.empty(); }
  // The page editor's part of the form was edited: as a field edit, for a typed CDB.
  void ReplaceTypedCdb();
  // The note under the CDB box: which command a typed CDB goes out as, why it cannot be read,
  // or that the form replaced it; empty when the box shows the form's CDB.
  const std::string& cdb_note() const { return cdb_note_; }
  // The row a typed CDB is sent and decoded as: the slot being edited in User order, else the
  // first row of the catalogue with its opcode; none for an opcode no row has.
  std::optional<std::size_t> RowOfTypedCdb(const Cdb& cdb) const;

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
  CommandInput InputOf(std::size_t row, const FormData& data) const;
  PlanResult PlanTypedCdb(const Cdb& cdb) const;
  void FormEdited();

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
  std::string typed_text_;  // the box's text while it differs from the form's CDB
  std::string cdb_note_;
  Cdb last_sent_cdb_{};
  std::uint32_t last_transferred_ = 0;
  bool has_sent_ = false;
  std::vector<std::uint8_t> receive_buffer_;
};

}  // namespace tamarack
