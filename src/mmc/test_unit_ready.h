// Test Unit Ready (00h): no fields, no data.
#pragma once

#include "device/scsi.h"
#include "mmc/opcodes.h"

namespace tamarack::mmc {

inline Cdb TestUnitReadyCdb() { return Cdb{kTestUnitReady}; }

}  // namespace tamarack::mmc
