// The Command tab's part of the settings file: the remembered CDBs, the user slots, the list
// order, the selected command and the console options.
#pragma once

#include "console/console.h"
#include "persist/settings_data.h"

namespace tamarack {

// "LastCom=" fields as this system uses them: the selected command's opcode, its row (kept
// for user order, where several slots may share an opcode), then the ageing command index
// as the eighth number (kLastComAgeingIndex; the fields between are kept as read).
inline constexpr int kLastComOpcode = 0;
inline constexpr int kLastComRow = 1;

void ConsoleToSettings(const Console& console, SettingsData* data);

// Applies the settings to the console and selects the remembered command.
void SettingsToConsole(const SettingsData& data, Console* console);

}  // namespace tamarack
