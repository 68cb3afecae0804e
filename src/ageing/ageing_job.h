// An ageing run as a job of the job frame: one read command sent over and over with the
// address and length the walk chooses, each read checked and logged, until the loop rule, an
// end condition, Cancel or an interruption ends it.
//
// Reports through the host: JobText::kCdb (the command in progress, as "%02x " groups),
// kCounters ("Total Command=...\r\nFail Command=...\r\n[Fail Data=...\r\n]"), kPause
// ("%dmsec"), kDump (the first 256 bytes received, with Received Data Display), kStatus (the
// start and end texts, a log write failure), Progress (commands, the budget when known, the
// current LBA, bytes per second), Message (refusals at the start, the end message), Ask (go
// on without a log?). The
// status line of the session shows the same texts and the data check's message line. Window
// updates come at most every 100 ms of the run's clock (and after the first and last command),
// so a fast drive never floods the window.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "ageing/ageing_log.h"
#include "ageing/ageing_settings.h"
#include "ageing/data_check.h"
#include "device/device_session.h"
#include "job/job.h"

namespace tamarack {

inline constexpr const char* kAgeingNowText = "Ageing Now!";
inline constexpr const char* kAgeingDoneText = "Ageing Done!     Read Count(Failed)=%lld(%lld)";
inline constexpr const char* kAgeingCanceledText = "Ageing Canceled! Read Count(Failed)=%lld(%lld)";
inline constexpr const char* kAgeingEndMessage = "ｴｰｼﾞﾝｸﾞが終了しました";
inline constexpr const char* kDataFileOpenFailedMessage = "ﾃﾞｰﾀﾁｪｯｸﾌｧｲﾙのｵｰﾌﾟﾝが失敗しました\r\n%s";
// Bytes a block of the ageing buffer has room for.
inline constexpr std::size_t kAgeingBlockBytes = 2656;
// Bytes the received-data display shows.
inline constexpr std::size_t kReceivedDisplayBytes = 256;

struct AgeingRunOptions {
  // The random generator's seed; default: the time in seconds when the run starts.
  std::optional<std::uint32_t> seed;
  // The wall time the run starts at (seconds since the epoch) and whether log times are UTC;
  // default: now, local time. Tests fix both.
  std::optional<std::time_t> time_origin;
  bool utc_times = false;
  // The program-wide counter of the random-and-step method (not reset between runs); must
  // outlive the run. Null: the run starts one at 0.
  int* random_step_counter = nullptr;
  // The method and loop boxes' texts for the log; empty: as the boxes are filled at build.
  std::string method_text;
  std::string loop_text;
  // Bytes per group of the received-data dump.
  int group_size = 4;
  // How the block size of the first read is found; default: FindBlockSize (the fill, the
  // residual, a Read CD probe).
  BlockSizeFinder find_block_size;
};

// Why a run ended before its first command.
enum class AgeingRefusal {
  kNone,
  kDataFileMissing,  // Data Check of type Other without the reference file
  kTransferLength,   // Transfer Length outside 0..100
  kLogDeclined,      // the log did not open and the user did not go on without it
};

struct AgeingResult {
  AgeingRefusal refusal = AgeingRefusal::kNone;
  std::int64_t commands = 0;
  std::int64_t failed_commands = 0;
  LogCounts counts;
  // The last failed command's outcome (its sense decides the CLI's exit status).
  std::optional<CommandOutcome> last_failure;
  std::string status_text;  // "Ageing Done! ..." or "Ageing Canceled! ..."
  std::string log_failure;  // empty unless a log write failed
  // The settings as the run left them: the disc bounds it read, Step set to 1 by the counted
  // random-and-step mode.
  AgeingSettings settings;
};

class AgeingJob final : public Job {
 public:
  AgeingJob(AgeingSettings settings, AgeingRunOptions options = {});

  void Run(JobContext& ctx) override;

  // Read after the host's Finished call.
  const AgeingResult& result() const { return result_; }

  // The disc bounds as the run knows them; thread-safe, for the window's range bar while the
  // run goes.
  std::int32_t first_track_lba() const { return first_track_lba_.load(); }
  std::int32_t last_lba() const { return last_lba_.load(); }

 private:
  void RunCommands(JobContext& ctx, AgeingLog& log, RunTime& time);

  AgeingSettings settings_;
  AgeingRunOptions options_;
  AgeingResult result_;
  std::atomic<std::int32_t> first_track_lba_;
  std::atomic<std::int32_t> last_lba_;
};

// The counter box's text.
std::string AgeingCountersText(std::int64_t commands, std::int64_t failed, std::int64_t data_ng,
                               bool data_check);

}  // namespace tamarack
