// Which drive the virtual drive plays: the reader of the classic tables, or a current DVD
// writer ("model=modern") with the longer descriptors, block descriptors and stricter checks
// of today's drives.
#pragma once

#include <cstdint>

namespace tamarack::emu {

enum class DriveModel : std::uint8_t {
  kClassic,  // a CD/DVD-ROM reader answering as the first MMC versions
  kModern,   // a DVD writer on Serial ATA answering as current drives do
};

}  // namespace tamarack::emu
