// The mode page editor's part of a Mode Sense(10) or Mode Select(10) command: the picked page
// code, or the parameter list and its length, put into the console's current command.
#pragma once

#include <optional>

#include "console/console.h"
#include "decode/mode_page_editor.h"

namespace tamarack {

// The page editor the current command's form shows: Mode Sense(10) and Mode Select(10) have
// one, every other row (user slots included, whatever their opcode) none.
std::optional<ModeCommand> PageEditorOf(const Console& console);

// Puts what `editor` holds into the console's current command when that is the built-in
// command of the editor's form (the row's stored CDB and out data), then builds the form
// again (lay out, fill, collect) so that the current command follows. Returns false when the
// console shows another command.
bool ApplyEditorToConsole(const ModePageEditor& editor, Console& console);

}  // namespace tamarack
