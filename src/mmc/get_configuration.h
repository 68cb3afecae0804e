// Get Configuration (46h).
#pragma once

#include <cstdint>

#include "device/scsi.h"
#include "mmc/opcodes.h"
#include "util/bytes.h"

namespace tamarack::mmc {

struct GetConfigurationRequest {
  std::uint8_t requested_type = 0;  // byte 1 bits 1-0: all, current, the starting one
  std::uint16_t start = 0;          // bytes 2-3: the starting feature
  std::uint16_t length = 0xFF;      // bytes 7-8
};

inline Cdb GetConfigurationCdb(const GetConfigurationRequest& r) {
  Cdb cdb{kGetConfiguration, static_cast<std::uint8_t>(r.requested_type & 0x03)};
  WriteBe16(cdb, 2, r.start);
  WriteBe16(cdb, 7, r.length);
  return cdb;
}

}  // namespace tamarack::mmc
