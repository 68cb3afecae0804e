#include "device/cdb_direction.h"

#include <algorithm>
#include <array>

namespace tamarack {

namespace {

// Sorted, so a binary search finds them.
constexpr std::array<std::uint8_t, 20> kDataOutOpcodes = {
    0x04,  // Format Unit
    0x0A,  // Write(6)
    0x15,  // Mode Select(6)
    0x1D,  // Send Diagnostic
    0x2A,  // Write(10)
    0x2E,  // Write and Verify(10)
    0x3B,  // Write Buffer
    0x3F,  // Write Long
    0x4C,  // Log Select
    0x54,  // Send OPC Information
    0x55,  // Mode Select(10)
    0x5D,  // Send Cue Sheet
    0x8A,  // Write(16)
    0x8E,  // Write and Verify(16)
    0xA2,  // Send Event
    0xA3,  // Send Key
    0xAA,  // Write(12)
    0xAE,  // Write and Verify(12)
    0xB6,  // Set Streaming
    0xBF,  // Send DVD Structure
};
static_assert(std::is_sorted(kDataOutOpcodes.begin(), kDataOutOpcodes.end()));

}  // namespace

bool SendsDataToDrive(std::uint8_t opcode) {
  return std::binary_search(kDataOutOpcodes.begin(), kDataOutOpcodes.end(), opcode);
}

DataDirection DirectionOfCommand(std::uint8_t opcode, std::uint64_t length) {
  if (length == 0) return DataDirection::kNone;
  return SendsDataToDrive(opcode) ? DataDirection::kOut : DataDirection::kIn;
}

}  // namespace tamarack
