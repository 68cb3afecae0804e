// The CRC of the Q sub-channel, one function for the whole program: the virtual drive writes
// it, the Sub-Q tools check it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tamarack {

// Bytes of a Q record: 10 bytes of data, then their CRC big-endian.
inline constexpr std::size_t kSubQRecordSize = 12;
inline constexpr std::size_t kSubQDataSize = 10;

// CRC-16 over `bytes`: polynomial 1021h (x^16 + x^12 + x^5 + 1), initial value 0, most
// significant bit first, no reflection, the result inverted. CD-TEXT packs use it over their
// first 16 bytes.
std::uint16_t SubChannelCrc(std::span<const std::uint8_t> bytes);

// The CRC of a Q record's first 10 bytes (fewer bytes count as zeros).
std::uint16_t SubQCrc(std::span<const std::uint8_t> record);

// True when bytes 10-11 of `record` (at least 12 bytes) hold the CRC of bytes 0-9; false for a
// shorter record.
bool SubQCrcOk(std::span<const std::uint8_t> record);

}  // namespace tamarack
