// What an ageing run asks the drive about the disc and itself before its first command: the
// disc's bounds (Read Capacity, Read TOC), the drive's model name (Inquiry) and the volume
// label. Each runs on the caller's thread through the session.
#pragma once

#include <cstdint>
#include <span>
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

// The volume identifier of the ISO 9660 primary volume descriptor (block 16, read with
// Read(10)), trailing blanks cut, bytes outside printable ASCII shown as "?"; empty when the
// block is not a primary volume descriptor or cannot be read. Linux has no volume label request
// for a raw drive, so the label is read from the disc itself.
std::string ReadVolumeLabel(DeviceSession& session);

// The volume identifier of a primary volume descriptor block, as above; pure.
std::string VolumeLabelOf(std::span<const std::uint8_t> block);

}  // namespace tamarack
