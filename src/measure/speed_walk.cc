#include "measure/speed_walk.h"

#include "measure/speed_record.h"

namespace tamarack {

std::optional<SpeedPoint> SpeedWalk::Add(std::int32_t sample) {
  const std::size_t index = index_++;
  blocks_ += sample;
  kilobytes_ += sample * kSamplesPerSecond * block_size_ / 1024;
  const std::int64_t step = kilobytes_ / (kGraphStepMb * 1024);
  if (step <= last_step_) return std::nullopt;
  SpeedPoint p;
  p.index = index;
  p.blocks = blocks_;
  p.kilobytes = kilobytes_;
  p.step = step;
  p.since_blocks = blocks_ - last_blocks_;
  p.since_seconds = static_cast<std::int64_t>(index + 1 - last_count_);
  p.y = p.since_blocks * kSamplesPerSecond * 10 / (p.since_seconds * kBlocksPerSecondAtX1);
  last_step_ = step;
  last_blocks_ = blocks_;
  last_count_ = index + 1;
  return p;
}

}  // namespace tamarack
