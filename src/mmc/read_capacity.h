// Read Capacity (25h): the last logical block and the block length, 8 bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "device/scsi.h"
#include "mmc/opcodes.h"

namespace tamarack::mmc {

inline Cdb ReadCapacityCdb() { return Cdb{kReadCapacity}; }

struct Capacity {
  std::uint32_t last_lba = 0;      // bytes 0-3
  std::uint32_t block_length = 0;  // bytes 4-7
};

// The reply of `transferred` bytes; nothing when it is too short to hold the last block.
std::optional<Capacity> ParseCapacity(std::span<const std::uint8_t> reply, std::size_t transferred);

}  // namespace tamarack::mmc
