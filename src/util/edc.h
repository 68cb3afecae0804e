// The CD-ROM error detection code: CRC-32 with the polynomial
// x^32 + x^31 + x^16 + x^15 + x^4 + x^3 + x + 1 (8001801Bh), bits taken least significant
// first, initial value 0, stored little-endian after the bytes it covers (ECMA-130, 14.3).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tamarack {

std::uint32_t ComputeEdc(std::span<const std::uint8_t> bytes);

}  // namespace tamarack
