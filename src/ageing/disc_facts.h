// What an ageing run asks the drive about the disc and itself before its first command: the
// disc's bounds (Read Capacity, Read TOC) and the drive's model name (Inquiry); the volume
// label comes from decode/volume_descriptor.h. Each runs on the caller's thread through the
// session.
#pragma once

#include <cstdint>
#include <string>

#include "ageing/ageing_settings.h"
#include "device/device_session.h"

namespace tamarack {

// Last LBA from Read Capacity (25h, bytes 0-3 of the reply), kept when it fails; First Track
// LBA from Read TOC (43h, format 0, LBA addresses, track 0, 255 bytes; bytes 8-11), Start LBA
// when it fails.
void ReadDiscBounds(DeviceSession& session, AgeingSettings* settings);

// The 24 characters of Inquiry's vendor and product identification; empty when Inquiry fails.
std::string ReadModelName(DeviceSession& session);

}  // namespace tamarack
