#include "emu/edc.h"

#include <array>

namespace tamarack::emu {
namespace {

// 8001801Bh with its bits reversed, for the least-significant-first shift register.
constexpr std::uint32_t kReversedPolynomial = 0xD8018001u;

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t r = i;
    for (int b = 0; b < 8; ++b) r = (r >> 1) ^ ((r & 1u) ? kReversedPolynomial : 0u);
    t[i] = r;
  }
  return t;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

}  // namespace

std::uint32_t ComputeEdc(std::span<const std::uint8_t> bytes) {
  std::uint32_t edc = 0;
  for (std::uint8_t b : bytes) edc = (edc >> 8) ^ kTable[(edc ^ b) & 0xFFu];
  return edc;
}

}  // namespace tamarack::emu
