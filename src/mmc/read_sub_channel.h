// Read Sub-Channel (42h).
#pragma once

#include <cstdint>

#include "device/scsi.h"
#include "mmc/opcodes.h"
#include "util/bytes.h"

namespace tamarack::mmc {

struct SubChannelRequest {
  bool msf = false;             // byte 1 bit 1 (TIME)
  bool subq = true;             // byte 2 bit 6
  std::uint8_t format = 1;      // byte 3: 1 position, 2 media catalogue number, 3 ISRC
  std::uint8_t track = 0;       // byte 6
  std::uint16_t length = 0xFF;  // bytes 7-8
};

inline Cdb ReadSubChannelCdb(const SubChannelRequest& r) {
  Cdb cdb{kReadSubChannel,
          static_cast<std::uint8_t>(r.msf ? 0x02 : 0x00),
          static_cast<std::uint8_t>(r.subq ? 0x40 : 0x00),
          r.format,
          0,
          0,
          r.track};
  WriteBe16(cdb, 7, r.length);
  return cdb;
}

}  // namespace tamarack::mmc
