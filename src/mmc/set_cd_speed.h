// Set CD Speed (BBh): speeds in kB/s, FFFFh the drive's fastest.
#pragma once

#include <cstdint>

#include "device/scsi.h"
#include "mmc/opcodes.h"
#include "util/bytes.h"

namespace tamarack::mmc {

inline constexpr std::uint16_t kMaximumSpeed = 0xFFFF;

inline Cdb SetCdSpeedCdb(std::uint16_t read_speed, std::uint16_t write_speed) {
  Cdb cdb{kSetCdSpeed};
  WriteBe16(cdb, 2, read_speed);
  WriteBe16(cdb, 4, write_speed);
  return cdb;
}

}  // namespace tamarack::mmc
