// The speed measurement: Read CD commands of a fixed number of blocks back to back from the
// start of the first track to the last block, counting each second how many blocks the drive
// read. It runs as a job of the job frame and reports:
//   kModel   the drive's "VENDOR PRODUCT";
//   kCdb     the Read CD command, as "%02x " bytes, when the first one is sent;
//   kStatus  "現在 LBA: %d" (or "%x") while running, "平均" or "平均(途中ｷｬﾝｾﾙ)" at the end;
//   kSpeed   the current speed "x%d.%d", cleared at the start, the average at the end;
//   kResultLine  the rotation the curve shows (after a run with a summary);
//   Progress     blocks done of the range, the LBA and the last second's rate, at least once a
//                second (each new sample) and at most every 100 ms between;
// and the status line "Blk=…" after the first command, the summary "x%d.%d speed(…)" at the end.
// A run ended by a failed or short read keeps the failure in the status line: the summary of
// what it read comes before it, never after.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "device/read_buffer.h"
#include "device/scsi.h"
#include "job/job.h"
#include "job/job_verdict.h"
#include "measure/rotation.h"
#include "measure/second_sampler.h"
#include "measure/speed_record.h"
#include "mmc/block_read.h"
#include "util/message_catalogue.h"

namespace tamarack {

// The running status line, in decimal or hex.
inline constexpr const char* kMeasureCurrentLbaText = TR_NOOP("現在 LBA: %lld");
inline constexpr const char* kMeasureCurrentLbaHexText = TR_NOOP("現在 LBA: %llx");
inline constexpr const char* kMeasureAverageText = TR_NOOP("平均");
inline constexpr const char* kMeasureCancelledText = TR_NOOP("平均(途中ｷｬﾝｾﾙ)");
inline constexpr const char* kMeasureReadError =
    TR_NOOP("Read ｴﾗｰが発生しました(LBA=%d)計測を中止します");
inline constexpr const char* kMeasureBlockCountMessage =
    TR_NOOP("転送ﾌﾞﾛｯｸ長は1から65535までにしてください");
// Read CD carries three bytes of length, and a command reads into one buffer of 2656 bytes a
// block: 65535 blocks (174 MB) is already far beyond what any path to a drive moves at once.
inline constexpr std::int32_t kMaxMeasureBlockCount = 65535;
inline constexpr std::int32_t kDefaultMeasureBlockCount = 10;

struct MeasureSettings {
  std::int32_t block_count = kDefaultMeasureBlockCount;  // blocks per Read CD
  // The range of the previous run: kept when Read TOC or Read Capacity fails.
  std::int64_t start_lba = 0;
  std::int64_t last_lba = 0;
  // A range chosen by the user instead of the disc's (the CLI's --start and --end); a last
  // block beyond the disc's is cut to the disc's.
  std::optional<std::int64_t> first_override;
  std::optional<std::int64_t> last_override;
  bool hex = false;  // "He&x Input": the current LBA in hexadecimal
};

// The Read CD command of a run: BE 00, LBA, block count (3 bytes), 10h (user data), 00 00.
Cdb MeasureCdb(std::int64_t lba, std::int64_t block_count);

struct MeasureResult {
  // How the run ended: refused (nothing sent), cancelled, ended by a failed or short read.
  JobVerdict verdict;
  std::int64_t start_lba = 0;
  std::int64_t last_lba = 0;
  std::int64_t current_lba = 0;  // the next block the run would have read
  std::int64_t total_bytes = 0;
  std::int64_t blocks_read = 0;
  bool first_command_sent = false;
  // Reads sent a second time over the A5h fill to tell data ending in 5Ah from a short reply.
  std::uint64_t second_reads = 0;
  // From the first read to the end of the last, less the block-size probes (as the samples
  // count it), by the job's clock: the exact time behind `total_bytes`.
  Clock::Duration read_elapsed{0};
  SpeedRecord record;                       // the samples, the closing one included
  std::string summary;                      // "x%d.%d speed(…)"; empty when there is none
  std::optional<RotationVerdict> rotation;  // with a summary
};

// What the window needs while the run goes on.
struct MeasureLive {
  std::int64_t start_lba = 0;
  std::int64_t last_lba = 0;
  std::int32_t block_size = 0;
  std::vector<std::int32_t> samples;
};

class SpeedMeasurementJob final : public Job {
 public:
  explicit SpeedMeasurementJob(const MeasureSettings& settings) : settings_(settings) {}

  void Run(JobContext& ctx) override;
  // An interruption (closing, eject, a dialog) is a stop request like Cancel.
  RunState InterruptState() const override { return RunState::kCancelRequested; }

  // Thread-safe: the range and the samples so far.
  MeasureLive Live() const;
  // Read after the host's Finished call.
  const MeasureResult& result() const { return result_; }

 private:
  // False when the range cannot be measured (the job is refused).
  bool ReadRange(JobContext& ctx);
  void ReadModel(JobContext& ctx);
  void Measure(JobContext& ctx);
  // One Read CD of `blocks` blocks at `lba`; `learn`: the block size is found from its reply.
  // False when it failed and ended the run.
  bool ReadCommand(JobContext& ctx, std::int64_t lba, std::int64_t blocks, bool learn);
  // The block size of a reply read into room for any block; 0 when it cannot be found.
  std::uint32_t LearnBlockSize(JobContext& ctx, const Cdb& cdb, std::int64_t lba,
                               std::int64_t blocks, const BlockReply& reply);
  // Ends the run with the failure of the read of `blocks` blocks at `lba` (a GOOD reply: too few
  // bytes). The run's `first` command fails without a message.
  void Fail(JobContext& ctx, const BlockReply& reply, std::int64_t lba, std::int64_t blocks,
            bool first);
  // Sampling and the reports after a command that read `blocks` blocks from `from` to `to`,
  // `probe` being the time spent after it finding their size.
  void Account(JobContext& ctx, Clock::Duration from, Clock::Duration to, std::int64_t blocks,
               Clock::Duration probe);
  void Report(JobContext& ctx);
  void Finish(JobContext& ctx);

  MeasureSettings settings_;
  MeasureResult result_;
  mutable std::mutex mutex_;  // guards sampler_, the range and the block size for Live()
  std::optional<SecondSampler> sampler_;
  ReadBuffer buffer_;                       // block count x kBlockRoom, for the whole run
  std::vector<std::int64_t> track_starts_;  // inside the range, ascending
  std::uint32_t block_size_ = 0;            // of the track being read; 0 until learned
  bool sizes_differ_ = false;               // tracks of more than one block size were read
  std::string failure_text_;                // the status line of the failure that ended it
  Clock::Duration measure_start_{};         // the first read's start
  Clock::Duration probes_{};                // time spent finding block sizes after reads
  Clock::Duration last_report_{};
  std::optional<std::int64_t> speed_shown_;
};

}  // namespace tamarack
