// Start Stop Unit (1Bh).
#pragma once

#include <cstdint>

#include "device/scsi.h"
#include "mmc/opcodes.h"

namespace tamarack::mmc {

struct StartStopRequest {
  bool immediate = false;   // byte 1 bit 0: return before the tray or the motor has moved
  bool load_eject = false;  // byte 4 bit 1
  bool start = false;       // byte 4 bit 0 (with load_eject: load, else eject)
};

inline Cdb StartStopUnitCdb(const StartStopRequest& r) {
  return Cdb{kStartStopUnit, static_cast<std::uint8_t>(r.immediate ? 0x01 : 0x00), 0, 0,
             static_cast<std::uint8_t>((r.load_eject ? 0x02 : 0) | (r.start ? 0x01 : 0))};
}

}  // namespace tamarack::mmc
