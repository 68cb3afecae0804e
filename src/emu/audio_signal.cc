#include "emu/audio_signal.h"

#include <array>
#include <cmath>
#include <numbers>

namespace tamarack::emu {
namespace {

constexpr int kPeriod = 100;  // samples per cycle of the 441 Hz base tone

std::array<std::int16_t, kPeriod> MakeSine() {
  std::array<std::int16_t, kPeriod> t{};
  for (int i = 0; i < kPeriod; ++i) {
    t[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(
        std::lround(8192.0 * std::sin(2.0 * std::numbers::pi * i / kPeriod)));
  }
  return t;
}

}  // namespace

void FillTone(int track_number, std::int32_t lba, std::span<std::uint8_t> samples) {
  static const std::array<std::int16_t, kPeriod> sine = MakeSine();
  const std::int64_t first = static_cast<std::int64_t>(lba) * 588;
  const std::int64_t step = track_number < 1 ? 1 : track_number;
  for (std::size_t i = 0; i + 4 <= samples.size(); i += 4) {
    const std::int64_t n = first + static_cast<std::int64_t>(i / 4);
    std::int64_t phase = (n * step) % kPeriod;
    if (phase < 0) phase += kPeriod;
    const auto left = static_cast<std::uint16_t>(sine[static_cast<std::size_t>(phase)]);
    const auto right =
        static_cast<std::uint16_t>(sine[static_cast<std::size_t>((phase + kPeriod / 4) % kPeriod)]);
    samples[i] = static_cast<std::uint8_t>(left);
    samples[i + 1] = static_cast<std::uint8_t>(left >> 8);
    samples[i + 2] = static_cast<std::uint8_t>(right);
    samples[i + 3] = static_cast<std::uint8_t>(right >> 8);
  }
}

}  // namespace tamarack::emu
