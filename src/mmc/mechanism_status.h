// Mechanism Status (BDh).
#pragma once

#include <cstdint>

#include "device/scsi.h"
#include "mmc/opcodes.h"
#include "util/bytes.h"

namespace tamarack::mmc {

inline Cdb MechanismStatusCdb(std::uint16_t length) {
  Cdb cdb{kMechanismStatus};
  WriteBe16(cdb, 8, length);
  return cdb;
}

}  // namespace tamarack::mmc
