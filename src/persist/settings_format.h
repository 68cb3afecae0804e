// The line syntax of "IniFile.txt" and of the saved command and ageing files: a key, "=",
// a value, "\n". Reading applies each known line to the values already there; writing emits
// every key in its fixed order.
#pragma once

#include <string>
#include <string_view>

#include "persist/settings_data.h"
#include "util/strings.h"  // DecimalValue, the reader's number conversion

namespace tamarack {

// Applies every known line of `text` to `data`; unknown lines are ignored, keys missing from
// the text keep their values. Pure.
void ApplySettingsText(std::string_view text, SettingsData* data);

// The whole settings file, every key in order.
std::string FormatSettings(const SettingsData& data);

// Lines of a saved command file.
enum class CommandFileContent { kAll, kBuiltIn, kUser };
std::string FormatCommandLines(const SettingsData& data, CommandFileContent content);

// The ageing lines, in the settings file and in saved ageing files: "LogFile=",
// "AgeDataFolder=", "AgeDataFile=", "Ageing=" with its fifteen numbers, "AgeCom%02d=" for the
// three ageing commands.
std::string FormatAgeingLines(const AgeingSettings& ageing);

// Applies one line to the ageing settings when it is one of the ageing lines; false otherwise.
// An "Ageing=" line with fewer numbers sets only the leading fields; "AgeCom" rows 3 and above
// are ignored.
bool ApplyAgeingLine(std::string_view line, AgeingSettings* ageing);

// Hex byte text as the reader takes it: two characters per byte; "*" counts as 0; a pair
// whose second character is a blank, CR, LF or the end is its first character alone; digits
// count as their value and any other character as its low four bits + 9. Reads at most
// `max_bytes`; returns the bytes read.
std::size_t ReadHexBytes(std::string_view text, std::uint8_t* out, std::size_t max_bytes);

}  // namespace tamarack
