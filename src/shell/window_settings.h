// The window's own part of the settings file: the option dialog's values and the hex input
// switch.
#pragma once

#include <string>

#include "shell/options.h"
#include "shell/settings_data.h"

namespace tamarack {

// "ControlFlag=", bit 1 the disc indicator, "TimeOutCom=", "ExeImm=", "CntApr=",
// "ControlBufLen=", "VirtualDrives=" and "Language=". A time-out or receive length of 0 or less
// reads as its default (7 seconds, 40960 bytes).
Options OptionsFromSettings(const SettingsData& data);

// Writes what only the options hold: the disc indicator bit, the time-out, the virtual
// drives, the trace and the language. The console's three options are written with the console
// (ConsoleToSettings).
void OptionsToSettings(const Options& options, SettingsData* data);

// "Language=": the language the window starts in; a number it does not know reads as
// automatic.
UiLanguage LanguageOf(const SettingsData& data);

// The drive the window selects at start: the one the command line names, else "Dir=", both
// kept whole (a virtual drive's options included).
std::string StartDriveOf(const SettingsData& data, const std::string& command_line_drive);

// "ControlFlag=" bit 0: hex input on the Command tab (and the sector dump).
bool HexInputOf(const SettingsData& data);
void HexInputToSettings(bool on, SettingsData* data);

}  // namespace tamarack
