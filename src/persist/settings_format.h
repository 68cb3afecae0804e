// The line syntax of "IniFile.txt" and of the saved command and ageing files: a key, "=",
// a value, "\n". Reading applies each known line to the values already there; writing emits
// every key in its fixed order.
#pragma once

#include <string>
#include <string_view>

#include "persist/settings_data.h"

namespace tamarack {

// Applies every known line of `text` to `data`; unknown lines are ignored, keys missing from
// the text keep their values. Pure.
void ApplySettingsText(std::string_view text, SettingsData* data);

// The whole settings file, every key in order.
std::string FormatSettings(const SettingsData& data);

// Lines of a saved command file.
enum class CommandFileContent { kAll, kBuiltIn, kUser };
std::string FormatCommandLines(const SettingsData& data, CommandFileContent content);

// Lines of a saved ageing file.
std::string FormatAgeingLines(const SettingsData& data);

// The decimal conversion of the settings reader: leading blanks, a sign, digits up to the
// first non-digit; no number gives 0. Saturates instead of overflowing.
int DecimalValue(std::string_view text);

// Hex byte text as the reader takes it: two characters per byte; "*" counts as 0; a pair
// whose second character is a blank, CR, LF or the end is its first character alone; digits
// count as their value and any other character as its low four bits + 9. Reads at most
// `max_bytes`; returns the bytes read.
std::size_t ReadHexBytes(std::string_view text, std::uint8_t* out, std::size_t max_bytes);

}  // namespace tamarack
