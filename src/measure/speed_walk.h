// The walk over a record's samples that both the graph's line and its points follow: running
// totals of blocks and kilobytes, and a point each time the data read crosses into a new 5 MB
// step, with the average speed since the previous point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tamarack {

struct SpeedPoint {
  std::size_t index = 0;          // the sample at which the step was crossed
  std::int64_t blocks = 0;        // blocks read up to and including that sample
  std::int64_t kilobytes = 0;     // kilobytes likewise (each sample's truncated)
  std::int64_t step = 0;          // kilobytes ÷ (5 × 1024)
  std::int64_t since_blocks = 0;  // blocks since the previous point
  std::int64_t since_seconds = 0;
  std::int64_t y = 0;  // the speed since the previous point in tenths of "x"
  std::int64_t x_mb() const { return kilobytes / 1024; }
};

class SpeedWalk {
 public:
  explicit SpeedWalk(std::int32_t block_size) : block_size_(block_size) {}

  // The next sample; a point when it crosses into a new step.
  std::optional<SpeedPoint> Add(std::int32_t sample);

 private:
  std::int64_t block_size_;
  std::size_t index_ = 0;
  std::int64_t blocks_ = 0;
  std::int64_t kilobytes_ = 0;
  std::int64_t last_step_ = 0;
  std::int64_t last_blocks_ = 0;
  std::size_t last_count_ = 0;  // samples up to the previous point
};

}  // namespace tamarack
