// The record of one speed measurement: how many blocks the drive read in each second, the bytes
// per block and the graph's scale. The window draws it, the CLI plots and saves it, ".msr" files
// keep it. "x1" is 75 blocks a second whatever the block size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tamarack {

inline constexpr std::int64_t kBlocksPerSecondAtX1 = 75;
// A sample per second, at most 100 minutes of them.
inline constexpr std::int64_t kSamplesPerSecond = 1;
inline constexpr std::size_t kMaxSpeedSamples = 6000;
// The graph makes a point every 5 MB of data.
inline constexpr std::int64_t kGraphStepMb = 5;

struct SpeedRecord {
  std::int32_t block_size = 0;  // bytes per block
  int scale = 0;                // 0: 20 pixels per "x"; non-zero: 10 (the graph reached its top)
  std::string model;            // the drive's "VENDOR PRODUCT"
  // Blocks read in each second, in order; at most kMaxSpeedSamples. Whole 32-bit counts: a fast
  // path reads more than 32767 blocks a second.
  std::vector<std::int32_t> samples;
  // A run that did not finish: why it stopped ("read-error", "cancelled"); empty when it
  // measured its whole range. Its samples are only of what it read.
  std::string unfinished;

  std::int64_t SampleSum() const;
  bool operator==(const SpeedRecord&) const = default;
};

// "x%d.%d" of a speed in tenths of "x".
std::string SpeedText(std::int64_t tenths);

// The speed of a second of `blocks` blocks in tenths of "x" (truncated).
std::int64_t SampleTenths(std::int64_t blocks);

// The average speed of `blocks` blocks read in `seconds` seconds, in tenths of "x" (truncated;
// 0 without seconds). For blocks of one even size (every CD block size) it is what bytes ÷
// (block size × seconds × 75 ÷ 10) gives; a run over tracks of several sizes is averaged by its
// blocks all the same.
std::int64_t AverageTenths(std::int64_t blocks, std::size_t seconds);

// "x%d.%d speed(%d Bytes/%d Sec)": the run's summary line, from the bytes and blocks it read.
std::string SummaryText(std::int64_t bytes, std::int64_t blocks, std::size_t seconds);

// The summary of a loaded record: the average is the sum of the samples ÷ (seconds × 75 ÷ 10)
// and the bytes are block size × that sum; a record of a run that did not finish says so after
// it ("x8.0 speed(...) - not finished: it ended on a read error"). Empty without samples, and
// when the bytes do not fit 64 bits (a record no run makes; the file reader refuses such files).
std::int64_t RecordAverageTenths(const SpeedRecord& record);
std::string RecordSummaryText(const SpeedRecord& record);

// The words for a run that stopped early ("unfinished" of the record).
inline constexpr char kUnfinishedReadError[] = "read-error";
inline constexpr char kUnfinishedCancelled[] = "cancelled";
// "not finished: it ended on a read error" / "... it was cancelled" / "... (WORD)"; empty for
// a finished record.
std::string UnfinishedText(const SpeedRecord& record);

// Block size × the sum of the samples, unless it overflows 64 bits.
std::optional<std::int64_t> RecordBytes(const SpeedRecord& record);

}  // namespace tamarack
