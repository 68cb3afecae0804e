#include "util/sub_q_crc.h"

#include <array>

namespace tamarack {

std::uint16_t SubChannelCrc(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0;
  for (std::uint8_t byte : bytes) {
    crc = static_cast<std::uint16_t>(crc ^ (byte << 8));
    for (int b = 0; b < 8; ++b) {
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
  }
  return static_cast<std::uint16_t>(~crc);
}

std::uint16_t SubQCrc(std::span<const std::uint8_t> record) {
  std::array<std::uint8_t, kSubQDataSize> data{};
  for (std::size_t i = 0; i < data.size() && i < record.size(); ++i) data[i] = record[i];
  return SubChannelCrc(data);
}

bool SubQCrcOk(std::span<const std::uint8_t> record) {
  if (record.size() < kSubQRecordSize) return false;
  return SubQCrc(record) == static_cast<std::uint16_t>(record[10] << 8 | record[11]);
}

}  // namespace tamarack
