// Mode Sense(10) (5Ah) and Mode Select(10) (55h).
#pragma once

#include <cstdint>

#include "device/scsi.h"
#include "mmc/opcodes.h"
#include "util/bytes.h"

namespace tamarack::mmc {

inline constexpr std::uint8_t kCapabilitiesPage =
    0x2A;  // CD/DVD capabilities and mechanical status

struct ModeSenseRequest {
  std::uint8_t page = 0;          // byte 2 bits 5-0
  std::uint8_t page_control = 0;  // byte 2 bits 7-6: current, changeable, default, saved
  std::uint16_t length = 0xFF;    // bytes 7-8
};

inline Cdb ModeSense10Cdb(const ModeSenseRequest& r) {
  Cdb cdb{kModeSense10, 0,
          static_cast<std::uint8_t>((r.page_control & 0x03) << 6 | (r.page & 0x3F))};
  WriteBe16(cdb, 7, r.length);
  return cdb;
}

struct ModeSelectRequest {
  bool page_format = true;   // byte 1 bit 4
  bool save = false;         // byte 1 bit 0
  std::uint16_t length = 0;  // bytes 7-8: the parameter list
};

inline Cdb ModeSelect10Cdb(const ModeSelectRequest& r) {
  Cdb cdb{kModeSelect10,
          static_cast<std::uint8_t>((r.page_format ? 0x10 : 0) | (r.save ? 0x01 : 0))};
  WriteBe16(cdb, 7, r.length);
  return cdb;
}

}  // namespace tamarack::mmc
