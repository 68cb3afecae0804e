#include "console/mode_page_command.h"

#include "decode/mode_select.h"
#include "decode/mode_sense.h"

namespace tamarack {

bool ApplyEditorToConsole(const ModePageEditor& editor, Console& console) {
  const std::size_t row = console.current_row();
  if (IsUserRow(row)) return false;
  const std::uint32_t opcode = console.current_opcode();
  const std::uint32_t wanted =
      editor.command() == ModeCommand::kSense ? kModeSenseOpcode : kModeSelectOpcode;
  if (opcode != wanted) return false;
  CommandRowState& state = console.catalogue().row(row);
  editor.ApplyToCommand(state.cdb_store, state.out_data);
  console.SelectRow(row, false);
  return true;
}

}  // namespace tamarack
