// How the virtual drive's read commands reach the disc: the time an access takes and each
// raw block read through the fault plan.
#pragma once

#include <cstdint>
#include <span>

#include "emu/drive_commands.h"

namespace tamarack::emu {

// Adds the time to reach and read `blocks` blocks from `lba` (spin-up, seek, transfer) and
// leaves the head after them. Stops an audio play, as a read does.
void ChargeAccess(CommandContext& c, std::int32_t lba, std::int32_t blocks);

// Reads raw block `lba` through the fault plan: an unreadable block, a flaky block that fails
// this time or an image that cannot be read gives 3/11/00; a corrupted block comes back with
// the byte at kCorruptedByteOffset flipped and its C2 bit set; a block with planted C2 errors
// (or before an unreadable one) with its C2 bits set; a block with a spoilt Q CRC
// comes back with the last bit of its Q record flipped.
SenseCode ReadRawBlock(DriveUnit& unit, std::int32_t lba, RawSector* out);

// The same for the 2048 user bytes of a Mode 1 block (the plain block reads): the corrupted
// byte is flipped where it falls in the user data.
SenseCode ReadMode1Block(DriveUnit& unit, std::int32_t lba, std::span<std::uint8_t, 2048> out);

// The first check of every block read: `count` blocks from `lba` lie in the disc's tracks.
SenseCode CheckBlockRange(const DiscLayout& layout, std::int64_t lba, std::int64_t count);

}  // namespace tamarack::emu
