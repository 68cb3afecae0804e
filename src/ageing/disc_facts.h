// What an ageing run asks the drive about the disc and itself before its first command: the
// disc's bounds (Read Capacity, and the tracks' starts of mmc/track_starts.h) and the drive's
// model name (Inquiry); the volume label comes from decode/volume_descriptor.h. Each runs on the
// caller's thread through the session.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ageing/ageing_settings.h"
#include "device/device_session.h"

namespace tamarack {

// Last LBA from Read Capacity (25h, bytes 0-3 of the reply), kept when it fails; First Track
// LBA the first of `track_starts` (mmc/track_starts.h), Start LBA when there is none.
void ReadDiscBounds(DeviceSession& session, const std::vector<std::int32_t>& track_starts,
                    AgeingSettings* settings);

// Why a run of `settings` must not start on its disc: a single pass ("once") whose Start LBA
// lies past the disc's last block (upwards it would end at once, reporting success without a
// command). Nothing when the run may start or Last LBA is not known (0).
std::optional<std::string> RangeOutsideDisc(const AgeingSettings& settings);

// Why a single pass must not start: a Step of 0 or below never moves it towards its end, so it
// would read its Start LBA forever. Nothing for a Step of 1 or more and for the other loops.
std::optional<std::string> StepGoesNowhere(const AgeingSettings& settings);

// The 24 characters of Inquiry's vendor and product identification, from one Inquiry (12h, 255
// bytes); empty when there is no drive or Inquiry fails.
std::string ReadModelName(DeviceSession& session);

}  // namespace tamarack
