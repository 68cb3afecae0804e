#include "console/mode_page_command.h"

namespace tamarack {

std::optional<ModeCommand> PageEditorOf(const Console& console) {
  switch (console.behaviour().page_editor) {
    case PageEditorUse::kModeSense:
      return ModeCommand::kSense;
    case PageEditorUse::kModeSelect:
      return ModeCommand::kSelect;
    case PageEditorUse::kNone:
      break;
  }
  return std::nullopt;
}

bool ApplyEditorToConsole(const ModePageEditor& editor, Console& console) {
  if (PageEditorOf(console) != editor.command()) return false;
  const std::size_t row = console.current_row();
  CommandRowState& state = console.catalogue().row(row);
  editor.ApplyToCommand(state.cdb_store, state.out_data);
  console.SelectRow(row, false);
  return true;
}

}  // namespace tamarack
