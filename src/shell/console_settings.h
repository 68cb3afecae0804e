// The Command tab's part of the settings file: the remembered CDBs, the user slots, the list
// order, the selected command, the console options and the mode page tables.
#pragma once

#include <string>
#include <vector>

#include "console/console.h"
#include "decode/mode_page_editor.h"
#include "shell/settings_data.h"

namespace tamarack {

// "LastCom=" fields as this system uses them: the selected command's opcode, its row (kept
// for user order, where several slots may share an opcode), then the ageing command index
// as the eighth number (kLastComAgeingIndex; the fields between are kept as read).
inline constexpr int kLastComOpcode = 0;
inline constexpr int kLastComRow = 1;

void ConsoleToSettings(const Console& console, SettingsData* data);

// Applies the settings to the console and selects the remembered command.
void SettingsToConsole(const SettingsData& data, Console* console);

// "ModeSelect%02d=" and "ModeSenset%02d=": each row's page buffer and the byte after it.
void ModePagesToSettings(const ModePageEditor& editor, SettingsData* data);
// Each saved row goes to the table's row of the page code in its byte 0, whatever its index
// (a byte 0 of 0: the page its index held in the files written so far, SavedRowCodes);
// a row the settings file did not hold reads as all zeros and leaves the table's row as it is
// (the Mode Select templates). A saved page of a code the table has no row for is left out:
// the notes name each ("ModeSenset03: page 08h is no page of the table; left out").
std::vector<std::string> SettingsToModePages(const SettingsData& data, ModePageEditor* editor);

}  // namespace tamarack
