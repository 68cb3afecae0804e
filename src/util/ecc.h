// The CD-ROM error correction code (ECMA-130, annex A): P and Q parity, Reed-Solomon product
// code over GF(2^8) with the field polynomial x^8 + x^4 + x^3 + x^2 + 1. The 2064 bytes from
// offset 12 (header through the intermediate field) are read as two planes of 1032 bytes (even
// and odd offsets); P is a (26,24) code over the 43 columns of each plane and Q a (45,43) code
// over its 26 diagonals, P bytes included. Parity lands at offsets 2076 (P, 172 bytes) and
// 2248 (Q, 104 bytes) of a 2352-byte sector.
#pragma once

#include <cstdint>
#include <span>

namespace tamarack {

inline constexpr std::size_t kEccPOffset = 2076;
inline constexpr std::size_t kEccQOffset = 2248;

// Computes P then Q parity in place. `sector` is a whole 2352-byte sector; bytes 12..2075 are
// read as they are (a Mode 2 caller zeroes the header first, as the standard says).
void ComputeEcc(std::span<std::uint8_t, 2352> sector);

// How many P and Q code words of the sector have a non-zero syndrome (0 and 0 for a sector
// whose parity matches its data).
struct EccCheck {
  int bad_p = 0;
  int bad_q = 0;
  bool Ok() const { return bad_p == 0 && bad_q == 0; }
};
EccCheck CheckEcc(std::span<const std::uint8_t, 2352> sector);

}  // namespace tamarack
