#include "emu/sense_codes.h"

#include "util/bytes.h"

namespace tamarack::emu {

SenseBytes BuildFixedSense(SenseCode code, std::optional<std::uint32_t> information) {
  SenseBytes s{};
  s[0] = information ? 0xF0 : 0x70;
  s[2] = code.key & 0x0F;
  if (information) WriteBe32(s, 3, *information);
  s[7] = kFixedSenseLength - 8;
  s[12] = code.asc;
  s[13] = code.ascq;
  return s;
}

}  // namespace tamarack::emu
