// The Read CD commands of the sector dump: Read CD (BEh) by LBA and Read CD MSF (B9h) by an
// MSF range, with the field selection of `SectorCdb` (bytes 9 and 10). The Read TOC request that
// finds the ISO 9660 volume descriptor is decode/volume_descriptor.h's.
#pragma once

#include <cstdint>
#include <span>

#include "decode/volume_descriptor.h"
#include "device/scsi.h"
#include "mmc/opcodes.h"
#include "util/msf.h"

namespace tamarack {

inline constexpr std::uint8_t kReadCdOpcode = mmc::kReadCd;
inline constexpr std::uint8_t kReadCdMsfOpcode = mmc::kReadCdMsf;

// The initial `SectorCdb`: all zero but byte 9 = 10h (user data only).
Cdb DefaultSectorCdb();

// BE 00, the LBA (bytes 2-5), the length (bytes 6-8), bytes 9 and 10 of `sector_cdb`, 00.
Cdb ReadCdCdb(std::uint32_t lba, std::uint32_t blocks, const Cdb& sector_cdb);
// B9 00 00, start M S F (bytes 3-5), end M S F (bytes 6-8), bytes 9 and 10 of `sector_cdb`, 00.
Cdb ReadCdMsfCdb(std::uint32_t start_frames, std::uint32_t end_frames, const Cdb& sector_cdb);

}  // namespace tamarack
