// The reference data jobs: capture a range of a disc into a ".dat" file (the user data of each
// block, one block after another, no header) and check a disc against such a file. Both run on
// the job frame and talk only through the JobHost:
//   kStatus    the phase ("CDからﾌｧｲﾙに読み込み中...", "ﾌｧｲﾙをﾁｪｯｸ中..."), the mismatch count
//              ("ｴﾗｰ件数 %d") and the check's result line
//   kCounters  " LBA %d/%d" (current, end)
//   kSpeed     the capture's speed summary ("x%d.%d speed(%llu Bytes/%d Sec)")
//   Progress   blocks done of the blocks to do (a capture with its check counts both phases)
//   Message    the closing message (what the verdict says: complete, read errors gone past
//              with the unread blocks' list, stopped, failed); Ask the range questions, the
//              read error question and the continue question of the check.
// With the EDC check a Mode 1 or form 1 track is read whole (mmc/edc_read.h) and each
// block checked against its own EDC; a block that fails counts as an EDC failure and is
// listed with the unread blocks. Audio and other Mode 2 tracks are read as without it, said
// once. Without the check, a path seen to hide short transfers is said once.
// Every read goes through ReadBlocks; a command that fails or brings fewer bytes than its
// blocks hold is a read error. Its blocks are read again one at a time (ReferenceRequest::
// retries): those that come whole are recovered and kept; the read error question is asked only
// when some stay unreadable, and those are written as 5Ah filler and listed in FILE.unread
// (unread_list.h).
//
// The range is cut where the disc's tracks start (Read TOC) and around the gaps between
// sessions: each track's block size is found by its own first command, no command spans two
// tracks, and the file holds each block at its track's size (ReferenceLayout). The check finds
// the layout the same way from the disc it reads. What became of every block asked for is the
// verdict's coverage: read whole (and compared), failed, or skipped with its reason.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/device_session.h"
#include "job/job.h"
#include "job/job_verdict.h"
#include "job/retry_policy.h"
#include "mmc/block_size.h"
#include "mmc/track_starts.h"
#include "refdata/unread_list.h"
#include "util/reference_file.h"

namespace tamarack {

inline constexpr std::uint32_t kCaptureBlocksPerCommand = 16;
inline constexpr std::uint32_t kCheckBlocksPerCommand = 14;

// A capture is written to this name beside its target and renamed to the target only when the
// whole range is in it, so a file under the target's name is always complete.
inline constexpr const char* kPartialSuffix = ".partial";

// Both ends included.
struct ReferenceRange {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  std::uint64_t blocks() const { return end >= start ? std::uint64_t{end} - start + 1 : 0; }
  bool operator==(const ReferenceRange&) const = default;
};

enum class ReferenceEnd {
  kCompleted,         // the whole range was read (and checked); read errors gone past included
  kStopped,           // Cancel, an interruption, or a question answered with Cancel
  kNoDevice,          // no drive open: nothing happened
  kNoDisc,            // no range on the disc (both ends 0, or no capacity)
  kRangeDeclined,     // a range question answered with Cancel
  kOutsideDisc,       // the start lies beyond the disc's last block
  kFirstReadFailed,   // a track's block size could not be found from its first command
  kTailReadFailed,    // a block of the tail (read one by one) could not be read
  kFileError,         // the file could not be created, written, read or renamed
  kCheckFileMissing,  // the check file does not exist
  kNoCheckData,       // the check file holds no whole block
  kBadUnreadList,     // the check file's list of unread blocks cannot be read
};

// What ended a stopped job.
enum class StopCause {
  kNone,
  kUser,        // Cancel or an interruption
  kReadError,   // the read error question answered Cancel
  kDifference,  // the continue question of the check answered Cancel
};

struct ReferenceResult {
  ReferenceEnd end = ReferenceEnd::kNoDevice;
  // Every failure, difference, file error and cancel of the run: the exit status and the
  // closing texts are read from it.
  JobVerdict verdict;
  bool range_settled = false;
  ReferenceRange range;         // as settled: the blocks asked for
  std::uint32_t disc_last = 0;  // the disc's last block (Read CD-ROM Capacity)
  BlockSizeFinding block_size;  // of the range's first track, in the last phase that ran
  // Where each block lies in the file (of the last phase that ran): one span per change of
  // block size, and the gaps between sessions at size 0.
  ReferenceLayout layout;
  std::vector<SessionGap> session_gaps;  // those inside the range: neither read nor in the file
  std::uint64_t bytes_written = 0;       // of the capture, as far as they reached the disk
  std::uint64_t bytes_checked = 0;
  std::uint32_t read_errors = 0;   // failed or short commands gone past
  std::uint32_t second_reads = 0;  // reads sent again over the A5h fill
  // Reads of one block sent after a failed command to read its blocks again (and after a
  // failed read of the range's last blocks); the blocks that came whole are the coverage's
  // recovered ones.
  std::uint32_t retry_reads = 0;
  // Blocks that came with good status and failed their EDC (with verify_edc), in every phase.
  std::uint64_t edc_failed = 0;
  // Blocks of the capture that hold 5Ah filler instead of data, and the list file they were
  // written to (empty when there are none, or the target is a device or FIFO).
  UnreadBlocks unread;
  std::string unread_file;
  bool check_ran = false;
  // The check compared its whole range (false when it stopped or a read in its tail failed).
  bool check_whole = false;
  // The first LBA the check did not compare, when it did not compare its whole range.
  std::uint32_t check_stopped_at = 0;
  std::uint32_t mismatches = 0;  // commands (and the tail) whose data differed from the file
  std::optional<std::uint32_t> first_mismatch;  // the LBA of the first difference
  // Blocks the check left out because the capture could not read them, and the list they came
  // from (empty for the list of the capture just made). The verdict's coverage has every
  // reason a block was left out.
  std::uint64_t skipped = 0;
  std::string skipped_list;
  StopCause stop_cause = StopCause::kNone;  // for kStopped
  // The file the capture wrote: the target, or the partial file when the capture did not end.
  std::string file;
  std::string message;               // the closing message, as sent to the host
  Clock::Duration read_elapsed{0};   // the read phase, by the steady clock
  Clock::Duration check_elapsed{0};  // the check phase
};

// An end that stands for the disc's last block.
inline constexpr std::uint32_t kToDiscEnd = 0xFFFFFFFFu;

// What the opener hands over. start = end = 0 (unless `exact`): the whole disc, from the first
// track's start; end = kToDiscEnd: up to the disc's last block. A check of the disc up to its
// end also asks for the blocks the file holds past the disc's end.
struct ReferenceRequest {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  std::string path;  // the target (capture) or the check file (check)
  // Ask before reading from a start other than 0 or to an end before the last LBA. A range the
  // user typed on a command line is its own confirmation.
  bool confirm_range = true;
  // start = end = 0 is LBA 0 alone (a range typed on a command line).
  bool exact = false;
  // Read Mode 1 and form 1 blocks whole and check each one's EDC on the host: a block that
  // fails is an EDC failure (listed with the unread blocks, 5Ah filler in a capture's file,
  // not compared by a check). The file holds the user data alone either way.
  bool verify_edc = false;
  // After a failed multi-block command each of its blocks is read alone, each up to this many
  // times: the blocks that come whole are recovered (written, compared), only the others are
  // unread. The range's last blocks, read one per command, are read again as often before a
  // failure ends the job there. 0: a failed command's blocks are all unread, as read.
  std::uint32_t retries = kDefaultRetries;
};

// Page "Read and Check": the read phase, then the check phase when `check_after` is set.
class CaptureJob final : public Job {
 public:
  CaptureJob(ReferenceRequest request, bool check_after)
      : request_(std::move(request)), check_after_(check_after) {}
  void Run(JobContext& ctx) override;
  bool LowPriority() const override { return false; }  // reads at the drive's full speed
  // Read after the host's Finished call.
  const ReferenceResult& result() const { return result_; }

 private:
  ReferenceRequest request_;
  bool check_after_;
  ReferenceResult result_;
};

// Page "Check": the check phase alone.
class CheckJob final : public Job {
 public:
  explicit CheckJob(ReferenceRequest request) : request_(std::move(request)) {}
  void Run(JobContext& ctx) override;
  bool LowPriority() const override { return false; }
  const ReferenceResult& result() const { return result_; }

 private:
  ReferenceRequest request_;
  ReferenceResult result_;
};

// The check's comparison of one command: the first of `blocks` blocks of `block_size` bytes
// from `lba` that is not known to match the file. The first `delivered` of them arrived in
// `disc`, the others did not (a failed read delivers none, whatever the buffer holds);
// `file_data` holds the file's bytes of `disc` (none when the file could not be read). Blocks
// in `skip` (the capture could not read them) are left out.
std::optional<std::uint64_t> FirstUnmatchedBlock(
    std::uint64_t lba, std::uint64_t blocks, std::uint64_t delivered,
    std::span<const std::uint8_t> disc, std::optional<std::span<const std::uint8_t>> file_data,
    const UnreadBlocks& skip, std::uint32_t block_size);

// Where a piece of the range lies.
enum class PieceKind {
  kTrack,       // blocks of one track
  kSessionGap,  // between two sessions: not read, not in the file, not asked for
  kBeyondDisc,  // past the disc's last block: asked for, skipped
};

// A piece of a range, both ends included.
struct RangePiece {
  std::uint64_t first = 0;
  std::uint64_t last = 0;
  PieceKind kind = PieceKind::kTrack;
  std::uint64_t blocks() const { return last - first + 1; }
  bool operator==(const RangePiece&) const = default;
};

// `range` cut at every track start inside it, around every session gap and after the disc's
// last block `disc_last`, in order; adjacent pieces of one track stay one.
std::vector<RangePiece> SplitRange(const ReferenceRange& range,
                                   std::span<const std::int32_t> track_starts,
                                   std::span<const SessionGap> gaps, std::uint64_t disc_last);

// "x%d.%d speed(%llu Bytes/%d Sec)": the speed in tenths of x1 (75 blocks a second) from the
// exact elapsed time; the whole seconds are shown. Empty when less than a second passed or the
// block size is 0.
std::string CaptureSpeedText(std::uint64_t bytes, std::uint32_t block_size,
                             Clock::Duration elapsed);

// The blocks the list beside the reference file `data_file` names (FILE.unread, beside the
// file a symlink points to); none when there is no list. False, with the list's path and what
// is wrong, when it is there and cannot be read (a FIFO or another file that is not regular
// included). The ageing run's "file:" check takes them as blocks not to compare.
bool ReadUnreadListOf(const std::string& data_file, UnreadBlocks* out, std::string* error);

}  // namespace tamarack
