// The run's random numbers: draws of 0..32767 from a linear congruential generator (state =
// state x 214013 + 2531011 mod 2^32, draw = bits 16-30), seeded when a run starts. The values
// are those of the system's own generator, so a seed replays the same addresses and lengths.
#pragma once

#include <cstdint>

namespace tamarack {

class AgeingRandom {
 public:
  explicit AgeingRandom(std::uint32_t seed = 1) : state_(seed) {}
  void Seed(std::uint32_t seed) { state_ = seed; }

  // 0..32767.
  int Draw() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }
  // Two draws as one value: first x 65536 + second (30 random bits). A product of the two
  // draws would be a multiple of 65536, and every range whose size divides 65536 would then
  // always give its first address.
  std::uint32_t Value32() {
    const auto first = static_cast<std::uint32_t>(Draw());
    const auto second = static_cast<std::uint32_t>(Draw());
    return first * 65536u + second;
  }

 private:
  std::uint32_t state_;
};

}  // namespace tamarack
