#include "util/edc.h"

#include <array>

namespace tamarack {
namespace {

// 8001801Bh with its bits reversed, for the least-significant-first shift register.
constexpr std::uint32_t kReversedPolynomial = 0xD8018001u;

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

// Table k gives the register after a byte followed by k zero bytes, so eight bytes are taken
// in one step (slicing by eight).
constexpr Tables MakeTables() {
  Tables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t r = i;
    for (int b = 0; b < 8; ++b) r = (r >> 1) ^ ((r & 1u) ? kReversedPolynomial : 0u);
    t[0][i] = r;
  }
  for (std::size_t k = 1; k < 8; ++k) {
    for (std::size_t i = 0; i < 256; ++i) {
      t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFFu];
    }
  }
  return t;
}

constexpr Tables kTables = MakeTables();

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::uint32_t ComputeEdc(std::span<const std::uint8_t> bytes) {
  std::uint32_t edc = 0;
  const std::uint8_t* p = bytes.data();
  std::size_t n = bytes.size();
  while (n >= 8) {
    const std::uint32_t a = edc ^ LoadLe32(p);
    const std::uint32_t b = LoadLe32(p + 4);
    edc = kTables[7][a & 0xFFu] ^ kTables[6][(a >> 8) & 0xFFu] ^ kTables[5][(a >> 16) & 0xFFu] ^
          kTables[4][a >> 24] ^ kTables[3][b & 0xFFu] ^ kTables[2][(b >> 8) & 0xFFu] ^
          kTables[1][(b >> 16) & 0xFFu] ^ kTables[0][b >> 24];
    p += 8;
    n -= 8;
  }
  for (; n > 0; --n, ++p) edc = (edc >> 8) ^ kTables[0][(edc ^ *p) & 0xFFu];
  return edc;
}

}  // namespace tamarack
