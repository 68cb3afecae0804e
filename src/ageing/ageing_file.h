// The ageing lines, in the settings file and in saved ageing files (".age"): "LogFile=",
// "AgeDataFolder=", "AgeDataFile=", "Ageing=" with its fifteen numbers, "AgeCom%02d=" for the
// three ageing commands, "AgeVerifyEdc=1" when the EDC check is on and "AgeRetries=N" when the
// retries of a failed read are not the default (a file without it has the default).
#pragma once

#include <string>
#include <string_view>

#include "ageing/ageing_settings.h"

namespace tamarack {

inline constexpr int kAgeingNumbers = 15;  // numbers of the "Ageing=" line

std::string FormatAgeingLines(const AgeingSettings& ageing);

// Applies one line to the ageing settings when it is one of the ageing lines; false otherwise.
// An "Ageing=" line with fewer numbers sets only the leading fields; "AgeCom" rows 3 and above
// are ignored.
bool ApplyAgeingLine(std::string_view line, AgeingSettings* ageing);

// Writes an ageing file (the ageing lines alone) atomically: false with the system's reason in
// `error` when it could not be written (an old file of that name stays whole). Such a file is
// read back through the settings reader, as its lines are settings lines.
bool SaveAgeingFile(const std::string& path, const AgeingSettings& ageing, std::string* error);

}  // namespace tamarack
