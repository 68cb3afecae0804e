// The per-second counts of a measurement, taken on the job's own side at exact one-second marks
// of the clock, so that a busy window never bends the curve. A command that spans a mark is
// shared between the two seconds in proportion to its duration: the drive read its blocks
// during the whole command, not at its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/clock.h"
#include "measure/speed_record.h"

namespace tamarack {

// Not thread-safe; the measurement job guards it.
class SecondSampler {
 public:
  // Marks fall at `start` + 1 s, + 2 s, …; no more than `capacity` samples are taken.
  explicit SecondSampler(Clock::Duration start, std::size_t capacity = kMaxSpeedSamples);

  // A command read `blocks` blocks from `from` to `to` (`from` no earlier than the previous
  // command's `to`). Takes the sample of every mark up to `to`; returns how many it took.
  std::size_t Read(Clock::Duration from, Clock::Duration to, std::int64_t blocks);
  // Time passed up to `now` without a read.
  std::size_t Idle(Clock::Duration now) { return Read(now, now, 0); }
  // Time the tool spent on its own business (finding the block size) since the last read: the
  // marks still to come move on by as much, so it counts in no second.
  void Skip(Clock::Duration d) { next_mark_ += d; }

  const std::vector<std::int32_t>& samples() const { return samples_; }
  std::vector<std::int32_t>& samples() { return samples_; }
  // The sum of the samples taken at marks: the blocks read up to the last mark.
  std::int64_t sampled() const { return sampled_; }
  bool full() const { return samples_.size() >= capacity_; }

 private:
  Clock::Duration next_mark_;
  std::size_t capacity_;
  std::int64_t read_ = 0;  // blocks of the finished commands
  std::int64_t sampled_ = 0;
  std::vector<std::int32_t> samples_;
};

}  // namespace tamarack
