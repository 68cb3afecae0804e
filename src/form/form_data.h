// What a parameter form edits: the CDB and the few values beside it.
#pragma once

#include <cstdint>
#include <vector>

#include "device/scsi.h"

namespace tamarack {

// The values a form reads from (the row's stored state) and writes into (the current
// command). Plain data; copied freely.
struct FormData {
  Cdb cdb{};
  // The parameter list sent to the drive by a data-out command (user slot data, the event
  // list of Send Event, Mode Select's pages).
  std::vector<std::uint8_t> parameter;
  // Blocks execution prepares its buffer for (read commands); 0 for every other command.
  int transfer_blocks = 0;
  // User slots: which way their data go, and the byte count.
  DataDirection direction = DataDirection::kNone;
  std::uint32_t length = 0;

  bool operator==(const FormData&) const = default;
};

}  // namespace tamarack
