// The line syntax of "IniFile.txt" and of the saved command and ageing files: a key, "=",
// a value, "\n". Reading applies each known line to the values already there; writing emits
// every key in its fixed order.
#pragma once

#include <string>
#include <string_view>

#include "shell/settings_data.h"

namespace tamarack {

// Applies every known line of `text` to `data`; unknown lines are ignored, keys missing from
// the text keep their values. Pure.
void ApplySettingsText(std::string_view text, SettingsData* data);

// The whole settings file, every key in order.
std::string FormatSettings(const SettingsData& data);

// Lines of a saved command file.
enum class CommandFileContent { kAll, kBuiltIn, kUser };
std::string FormatCommandLines(const SettingsData& data, CommandFileContent content);

}  // namespace tamarack
