#include "measure/second_sampler.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace tamarack {

namespace {
constexpr Clock::Duration kSecond = std::chrono::seconds(1);
}  // namespace

SecondSampler::SecondSampler(Clock::Duration start, std::size_t capacity)
    : next_mark_(start + kSecond), capacity_(capacity) {
  samples_.reserve(capacity_);
}

[[gnu::hot]] std::size_t SecondSampler::Read(Clock::Duration from, Clock::Duration to,
                                             std::int64_t blocks) {
  std::size_t taken = 0;
  while (next_mark_ <= to && !full()) {
    std::int64_t at_mark = read_;
    if (next_mark_ > from) {
      // The share of the command that lay before the mark.
      const auto done = (next_mark_ - from).count();
      const auto whole = (to - from).count();
      at_mark += blocks * done / whole;
    }
    const std::int64_t sample = at_mark - sampled_;
    samples_.push_back(static_cast<std::int32_t>(
        std::min<std::int64_t>(sample, std::numeric_limits<std::int32_t>::max())));
    sampled_ = at_mark;
    next_mark_ += kSecond;
    ++taken;
  }
  read_ += blocks;
  return taken;
}

}  // namespace tamarack
