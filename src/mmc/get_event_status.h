// Get Event/Status Notification (4Ah), polled.
#pragma once

#include <cstdint>

#include "device/scsi.h"
#include "mmc/opcodes.h"
#include "util/bytes.h"

namespace tamarack::mmc {

struct EventStatusRequest {
  std::uint8_t classes = 0;  // byte 4: one bit per notification class
  std::uint16_t length = 0;  // bytes 7-8
};

inline Cdb GetEventStatusCdb(const EventStatusRequest& r) {
  Cdb cdb{kGetEventStatusNotification, 0x01 /* polled */, 0, 0, r.classes};
  WriteBe16(cdb, 7, r.length);
  return cdb;
}

}  // namespace tamarack::mmc
