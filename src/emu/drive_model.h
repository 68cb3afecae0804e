// Which drive the virtual drive plays: the reader of the classic tables, or a current DVD
// writer ("model=modern") with the longer descriptors, block descriptors and stricter checks
// of today's drives.
#pragma once

#include <cstdint>

namespace tamarack::emu {

enum class DriveModel : std::uint8_t {
  kClassic,  // a CD/DVD-ROM reader answering as the first MMC versions
  kModern,   // a DVD writer on Serial ATA answering as current drives do
  kPlain,    // the classic reader without C2 error pointers ("model=plain")
};

// Page 2Ah's "C2 Pointers are supported", and Read CD takes an error field.
constexpr bool ReportsC2(DriveModel model) { return model != DriveModel::kPlain; }

}  // namespace tamarack::emu
