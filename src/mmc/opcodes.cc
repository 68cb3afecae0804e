#include "mmc/opcodes.h"

namespace tamarack::mmc {

std::optional<std::uint32_t> LengthField(const Cdb& cdb) {
  const OpcodeInfo* row = FindOpcode(cdb[0]);
  if (row == nullptr || row->length_size == 0) return std::nullopt;
  std::uint32_t length = 0;
  for (std::uint8_t i = 0; i < row->length_size; ++i)
    length = length << 8 | cdb[row->length_at + i];
  return length;
}

}  // namespace tamarack::mmc
