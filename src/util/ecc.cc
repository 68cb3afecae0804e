#include "util/ecc.h"

#include <array>
#include <cstddef>

namespace tamarack {
namespace {

constexpr unsigned kFieldPolynomial = 0x11D;

struct Gf {
  std::array<std::uint8_t, 256> times_alpha{};       // x * a
  std::array<std::uint8_t, 256> over_alpha_plus1{};  // x / (a + 1)
};

constexpr Gf MakeGf() {
  Gf g{};
  std::array<std::uint8_t, 512> exp{};
  std::array<int, 256> log{};
  unsigned x = 1;
  for (int i = 0; i < 255; ++i) {
    exp[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(x);
    log[x] = i;
    x <<= 1;
    if (x & 0x100) x ^= kFieldPolynomial;
  }
  for (int i = 255; i < 512; ++i)
    exp[static_cast<std::size_t>(i)] = exp[static_cast<std::size_t>(i - 255)];
  const int log3 = log[3];  // a + 1 = 3
  for (unsigned v = 1; v < 256; ++v) {
    g.times_alpha[v] = exp[static_cast<std::size_t>(log[v]) + 1];
    g.over_alpha_plus1[v] = exp[static_cast<std::size_t>(log[v] + 255 - log3)];
  }
  return g;
}

constexpr Gf kGf = MakeGf();

// Offsets within the sector of the 43 data bytes of each of the 52 Q code words (26 diagonals
// on each of the two planes).
constexpr std::size_t kQWords = 52;
constexpr std::size_t kQData = 43;
constexpr std::size_t kPWords = 86;
constexpr std::size_t kPData = 24;

constexpr std::array<std::array<std::uint16_t, kQData>, kQWords> MakeQOffsets() {
  std::array<std::array<std::uint16_t, kQData>, kQWords> t{};
  for (std::size_t m = 0; m < kQWords; ++m) {
    for (std::size_t j = 0; j < kQData; ++j) {
      t[m][j] = static_cast<std::uint16_t>(12 + ((m >> 1) * 86 + (m & 1) + 88 * j) % 2236);
    }
  }
  return t;
}

constexpr auto kQOffsets = MakeQOffsets();

// The two parity symbols p0, p1 that make both sum(v) and sum(v_i a^(n-1-i)) zero, given the
// plain sum s0 and the Horner sum h = sum(d_i a^(k-1-i)) of the k data symbols.
inline void Parity(std::uint8_t s0, std::uint8_t h, std::uint8_t* p0, std::uint8_t* p1) {
  const std::uint8_t s1 = kGf.times_alpha[kGf.times_alpha[h]];  // weights shift by a^2
  *p0 = kGf.over_alpha_plus1[s0 ^ s1];
  *p1 = static_cast<std::uint8_t>(s0 ^ *p0);
}

// x * a without a table: shift, and reduce by the field polynomial when the top bit falls
// out. Branch-free, so the row loops below vectorise.
inline std::uint8_t TimesAlpha(std::uint8_t x) {
  const unsigned v = x;
  return static_cast<std::uint8_t>((v << 1) ^ ((v >> 7) * (kFieldPolynomial & 0xFFu)));
}

}  // namespace

void ComputeEcc(std::span<std::uint8_t, 2352> sector) {
  std::uint8_t* s = sector.data();
  // P: the 86 column code words advance together, one row of 86 bytes at a time.
  std::array<std::uint8_t, kPWords> s0{};
  std::array<std::uint8_t, kPWords> h{};
  for (std::size_t j = 0; j < kPData; ++j) {
    const std::uint8_t* row = s + 12 + 86 * j;
    for (std::size_t m = 0; m < kPWords; ++m) {
      s0[m] ^= row[m];
      h[m] = static_cast<std::uint8_t>(TimesAlpha(h[m]) ^ row[m]);
    }
  }
  for (std::size_t m = 0; m < kPWords; ++m) {
    Parity(s0[m], h[m], &s[kEccPOffset + m], &s[kEccPOffset + kPWords + m]);
  }
  // Q: the 52 diagonal code words, also side by side.
  std::array<std::uint8_t, kQWords> q0{};
  std::array<std::uint8_t, kQWords> qh{};
  for (std::size_t j = 0; j < kQData; ++j) {
    for (std::size_t m = 0; m < kQWords; ++m) {
      const std::uint8_t v = s[kQOffsets[m][j]];
      q0[m] ^= v;
      qh[m] = static_cast<std::uint8_t>(TimesAlpha(qh[m]) ^ v);
    }
  }
  for (std::size_t m = 0; m < kQWords; ++m) {
    Parity(q0[m], qh[m], &s[kEccQOffset + m], &s[kEccQOffset + kQWords + m]);
  }
}

EccCheck CheckEcc(std::span<const std::uint8_t, 2352> sector) {
  const std::uint8_t* s = sector.data();
  EccCheck r;
  for (std::size_t m = 0; m < kPWords; ++m) {
    std::uint8_t s0 = 0;
    std::uint8_t h = 0;
    for (std::size_t j = 0; j < kPData + 2; ++j) {
      const std::uint8_t v = s[12 + 86 * j + m];
      s0 ^= v;
      h = static_cast<std::uint8_t>(kGf.times_alpha[h] ^ v);
    }
    if (s0 != 0 || h != 0) ++r.bad_p;
  }
  for (std::size_t m = 0; m < kQWords; ++m) {
    std::uint8_t s0 = 0;
    std::uint8_t h = 0;
    for (std::uint16_t off : kQOffsets[m]) {
      const std::uint8_t v = s[off];
      s0 ^= v;
      h = static_cast<std::uint8_t>(kGf.times_alpha[h] ^ v);
    }
    for (std::size_t off : {kEccQOffset + m, kEccQOffset + kQWords + m}) {
      s0 ^= s[off];
      h = static_cast<std::uint8_t>(kGf.times_alpha[h] ^ s[off]);
    }
    if (s0 != 0 || h != 0) ++r.bad_q;
  }
  return r;
}

}  // namespace tamarack
