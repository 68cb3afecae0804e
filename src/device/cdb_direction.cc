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

// Where the allocation length of a data-in command lies: a big-endian field of `size` bytes.
struct AllocationField {
  std::uint8_t opcode;
  std::uint8_t offset;
  std::uint8_t size;
};

constexpr AllocationField kAllocationFields[] = {
    {0x03, 4, 1},  // Request Sense
    {0x12, 3, 2},  // Inquiry
    {0x1A, 4, 1},  // Mode Sense(6)
    {0x23, 7, 2},  // Read Format Capacities
    {0x42, 7, 2},  // Read Sub-channel
    {0x43, 7, 2},  // Read TOC/PMA/ATIP
    {0x46, 7, 2},  // Get Configuration
    {0x4A, 7, 2},  // Get Event/Status Notification
    {0x51, 7, 2},  // Read Disc Information
    {0x52, 7, 2},  // Read Track Information
    {0x5A, 7, 2},  // Mode Sense(10)
    {0xA4, 8, 2},  // Report Key
    {0xAD, 8, 2},  // Read DVD Structure
    {0xBD, 8, 2},  // Mechanism Status
};

constexpr std::uint32_t kReadCapacityLength = 8;

}  // namespace

std::optional<std::uint32_t> DataInLength(const Cdb& cdb) {
  if (cdb[0] == 0x25) return kReadCapacityLength;
  for (const AllocationField& f : kAllocationFields) {
    if (f.opcode != cdb[0]) continue;
    std::uint32_t length = 0;
    for (std::uint8_t i = 0; i < f.size; ++i) length = length << 8 | cdb[f.offset + i];
    return length;
  }
  return std::nullopt;
}

bool SendsDataToDrive(std::uint8_t opcode) {
  return std::binary_search(kDataOutOpcodes.begin(), kDataOutOpcodes.end(), opcode);
}

DataDirection DirectionOfCommand(std::uint8_t opcode, std::uint64_t length) {
  if (length == 0) return DataDirection::kNone;
  return SendsDataToDrive(opcode) ? DataDirection::kOut : DataDirection::kIn;
}

}  // namespace tamarack
