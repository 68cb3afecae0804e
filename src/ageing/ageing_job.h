// An ageing run as a job of the job frame: one read command sent over and over with the
// address and length the walk chooses, each read checked and logged, until the loop rule, an
// end condition, Cancel or an interruption ends it.
//
// Reports through the host: JobText::kCdb (the command in progress, as "%02x " groups),
// kCounters ("Total Command=...\r\nFail Command=...\r\n[Fail Data=...\r\n]"), kPause
// ("%dmsec"), kDump (the first 256 bytes received, with Received Data Display), kStatus (the
// start and end texts, a log write failure, a block size not found), Progress (commands, the
// budget when known, the current LBA, bytes per second), Message (refusals at the start, the
// end message), Ask (go on without a log?). The
// status line of the session shows the same texts and the data check's message line. Window
// updates come at most every 100 ms of the run's clock (and after the first and last command),
// so a fast drive never floods the window.
//
// Reads go through ReadBlocks (mmc/block_read.h): into room for the largest block until the
// bytes per block are known, then into exactly that many. They are found once for each track
// the run reads in (a track keeps its sector type; FindBlockSize: the reply itself, else a
// Read CD probe, else Read Capacity), and again where a good reply shows another size than the
// known one; a read whose reply counted nothing is sent again at the size found. A read
// that crosses a track start is sent as one command per track, so that no command spans a
// change of block size. A reply short of the known size is a failed command; so is a probe
// that failed (logged; the size is looked for again at the next read). Where no size can be
// found the read's blocks are skipped in the verdict's coverage, said once.
//
// The verdict's coverage counts every command's blocks as asked, and each as read whole (and
// compared, with a data check), failed, or skipped with its reason.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ageing/ageing_log.h"
#include "ageing/ageing_settings.h"
#include "ageing/data_check.h"
#include "device/device_session.h"
#include "job/job.h"
#include "job/job_verdict.h"
#include "util/message_catalogue.h"

namespace tamarack {

inline constexpr const char* kAgeingNowText = "Ageing Now!";
inline constexpr const char* kAgeingDoneText = "Ageing Done!     Read Count(Failed)=%lld(%lld)";
inline constexpr const char* kAgeingCanceledText = "Ageing Canceled! Read Count(Failed)=%lld(%lld)";
inline constexpr const char* kAgeingEndMessage = TR_NOOP("ｴｰｼﾞﾝｸﾞが終了しました");
inline constexpr const char* kDataFileOpenFailedMessage =
    TR_NOOP("ﾃﾞｰﾀﾁｪｯｸﾌｧｲﾙのｵｰﾌﾟﾝが失敗しました\r\n%s");
// The error text of a good status with fewer bytes than the block size asks for.
inline constexpr const char* kShortReplyText = "Short Reply(%u of %u bytes)";
// What the status line adds to a failed read's text: the read's first block.
inline constexpr const char* kFailedReadLbaText = " lba:%08d(%08xh)";
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
  // A log that does not open ends the run before its first command (the terminal's rule)
  // instead of asking whether to go on without it (the window's).
  bool refuse_without_log = false;
  // The blocks the reference file of a "file:" check does not hold (its FILE.unread, read by
  // the caller; both ends included): they are read and not compared.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> unread_in_reference;
};

// Why a run ended before its first command.
enum class AgeingRefusal {
  kNone,
  kDataFileMissing,  // Data Check of type Other without the reference file
  kTransferLength,   // Transfer Length outside 0..100
  kLogDeclined,      // the log did not open and the user did not go on without it
  kLogUnwritable,    // the log did not open (refuse_without_log)
  kOutsideDisc,      // a single pass starting past the disc's last block
  kStepGoesNowhere,  // a single pass whose Step of 0 or below would never reach its end
  kEdcNeedsReadCd,   // the EDC check with another command than Read CD of user data alone
};

// Why the EDC check cannot run with the run's command (a CLI and window text).
inline constexpr const char* kEdcNeedsReadCdText =
    "The EDC check needs Read CD of user data alone (byte 9 10h, no C2 or sub-channel): "
    "Read(10) and Read(12) return no EDC";
// An ageing log's note of blocks whose EDC failed ("EDC NG!" lines, like the data check's).
inline constexpr const char* kEdcFailedLogText = "EDC NG! lba:%08d(%08xh) blocks:%u";
// An ageing log's and status line's note of a failed read that came whole when sent again
// (with the end on a command error), and on which try.
inline constexpr const char* kRecoveredLogText = "Recovered! lba:%08d(%08xh) blocks:%u retry:%d";

struct AgeingResult {
  AgeingRefusal refusal = AgeingRefusal::kNone;
  std::int64_t commands = 0;
  std::int64_t failed_commands = 0;
  LogCounts counts;
  // Failed reads that came whole when sent again (their blocks are the coverage's recovered).
  std::int64_t recovered_reads = 0;
  // Every failure gone past or ending the run, data differences, the log's failure, a cancel.
  JobVerdict verdict;
  std::string status_text;  // "Ageing Done! ..." or "Ageing Canceled! ..."
  std::string log_failure;  // empty unless the log failed to open or to be written
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
  // The command loop's state and one read of it (ageing_job.cc).
  struct CommandRun;
  struct SentRead;
  void RunCommands(JobContext& ctx, AgeingLog& log, RunTime& time);
  // One read at the walk's address: sent, sized by its track's blocks, logged, and what failed
  // of it counted in the verdict.
  // `again`: the read is sent again after it failed (its blocks were asked for then);
  // `will_retry`: a failure of it is sent again, so it neither ends the run nor counts its
  // blocks as failed yet.
  SentRead SendRead(CommandRun& run, std::int32_t lba, std::int32_t length, bool again = false,
                    bool will_retry = false);
  // A read that came whole on try `tries` after failing: counted, logged and shown.
  void NoteRecovered(CommandRun& run, const SentRead& read, int tries);
  // The per-command hook: the data of a good read checked with its track's size, and shown.
  void CheckAndShowData(JobContext& ctx, CommandRun& run, const SentRead& read, bool window_due);
  // The counters, the data check's message line and the progress.
  void ShowProgress(CommandRun& run, std::int32_t lba);
  // The interval after a command: drawn, slept, logged and shown.
  void Pause(CommandRun& run, bool window_due);
  // The data check of a good read and its log events; an NG counts as a difference.
  void CheckData(JobContext& ctx, AgeingDataCheck& check, AgeingLog& log, const CheckedRead& read,
                 const Cdb& cdb, char marker, std::string* message);

  AgeingSettings settings_;
  AgeingRunOptions options_;
  AgeingResult result_;
  std::vector<std::int32_t> track_starts_;  // from the disc's TOC at the start
  std::atomic<std::int32_t> first_track_lba_;
  std::atomic<std::int32_t> last_lba_;
};

// The counter box's text.
std::string AgeingCountersText(std::int64_t commands, std::int64_t failed, std::int64_t data_ng,
                               bool data_check);

}  // namespace tamarack
