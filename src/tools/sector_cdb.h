// The Read CD commands of the sector dump: Read CD (BEh) by LBA and Read CD MSF (B9h) by an
// MSF range, with the field selection of `SectorCdb` (bytes 9 and 10), and the Read TOC
// request that finds the ISO 9660 volume descriptor.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "device/scsi.h"
#include "util/msf.h"

namespace tamarack {

inline constexpr std::uint8_t kReadCdOpcode = 0xBE;
inline constexpr std::uint8_t kReadCdMsfOpcode = 0xB9;

// The initial `SectorCdb`: all zero but byte 9 = 10h (user data only).
Cdb DefaultSectorCdb();

// BE 00, the LBA (bytes 2-5), the length (bytes 6-8), bytes 9 and 10 of `sector_cdb`, 00.
Cdb ReadCdCdb(std::uint32_t lba, std::uint32_t blocks, const Cdb& sector_cdb);
// B9 00 00, start M S F (bytes 3-5), end M S F (bytes 6-8), bytes 9 and 10 of `sector_cdb`, 00.
Cdb ReadCdMsfCdb(std::uint32_t start_frames, std::uint32_t end_frames, const Cdb& sector_cdb);

// Read TOC format 1 (session information) with allocation length 160.
Cdb SessionInfoCdb();
inline constexpr std::size_t kSessionInfoLength = 160;
// The first track of the last session (reply bytes 8-11); nothing when the reply is shorter.
std::optional<std::uint32_t> LastSessionStart(std::span<const std::uint8_t> reply);
// The primary volume descriptor lies 16 blocks into the data session.
inline constexpr std::uint32_t kVolumeDescriptorOffset = 16;

}  // namespace tamarack
