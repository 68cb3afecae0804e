// The disc Sub-Q check of the Tools dialog: reads every block of the disc with its formatted Q
// sub-channel and counts the records with a wrong CRC; on audio it follows the digital copy bit
// (in windows of 100 records) and the pre-emphasis and channel bits.
//
// A record is a block's user data followed by its 16 bytes of Q data, so its size follows the
// sector type: the check learns it from the first read of each track of the TOC and never reads
// across a track start. Between two sessions it reads nothing: those blocks are passed over.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "job/job.h"
#include "job/job_verdict.h"
#include "mmc/block_read.h"
#include "mmc/track_starts.h"
#include "util/message_catalogue.h"

namespace tamarack {

// Texts of the check.
inline constexpr char kCopyOnText[] = TR_NOOP("ﾃﾞｼﾞﾀﾙｺﾋﾟｰ許可ﾋﾞｯﾄ：ｵﾝ(著作権なし)");
inline constexpr char kCopyOffText[] = TR_NOOP("ﾃﾞｼﾞﾀﾙｺﾋﾟｰ許可ﾋﾞｯﾄ：ｵﾌ(著作権あり)");
inline constexpr char kCopyMixedText[] = TR_NOOP("ﾃﾞｼﾞﾀﾙｺﾋﾟｰ許可ﾋﾞｯﾄ：ｵﾝｵﾌ(ｺﾋﾟｰ禁止)");
inline constexpr char kNoDiscText[] = TR_NOOP("No Discではありませんか?");
inline constexpr char kSubQFinishedText[] = TR_NOOP("終了しました");
inline constexpr char kSubQReadFailedText[] = TR_NOOP("読み込みに失敗しました");
inline constexpr char kSubQUnsupportedText[] =
    TR_NOOP("このドライブはSubQ読み出しをサポートしないかも知れません");
inline constexpr char kSubQCanceledText[] = TR_NOOP("キャンセルされました");

// Audio records per copy-bit window.
inline constexpr int kCopyWindow = 100;

// The counters of one check and the texts a record changes. Pure; one per run.
class SubQTally {
 public:
  // What checking one record changed: each text is set only when its line changes.
  struct Change {
    std::optional<std::string> result;   // "CRC error count=%d"
    std::optional<std::string> copy;     // the first status line (copy bit)
    std::optional<std::string> channel;  // the second status line (pre-emphasis, channels)
  };

  // `q` is the Q data of one record: its first 12 bytes are the Q record (CRC included); fewer
  // than 12 bytes count as a CRC error.
  Change Check(std::span<const std::uint8_t> q);

  // Counted in 64 bits: a drive may claim a disc of any size.
  std::int64_t crc_errors() const { return crc_errors_; }
  std::int64_t copy_on() const { return copy_on_; }
  std::int64_t copy_off() const { return copy_off_; }
  bool audio_seen() const { return copy_on_ + copy_off_ > 0; }
  // The summary: "Total Subq=%d CRC error=%d" with `lba_reached`, and when audio records were
  // seen "\r\nDigital copy ok=%d Digital copy ng=%d".
  std::string Summary(std::int64_t lba_reached) const;

 private:
  std::int64_t crc_errors_ = 0;
  std::int64_t copy_on_ = 0;
  std::int64_t copy_off_ = 0;
  int window_on_ = 0;
  int window_off_ = 0;
  std::uint8_t last_control_ = 0xFF;  // bits 80h and 10h last reported; FFh: none yet
  const char* copy_line_ = nullptr;   // the copy-bit line's text; null: not shown yet
};

// The disc's extent as the speed measurement reads it: the last LBA from Read Capacity, the
// first track's start from Read TOC (format 0); where every track starts, and the gaps between
// sessions (the full TOC). A failed command leaves its values as they were in `range`. Returns
// Read Capacity's outcome.
struct DiscRange {
  std::int32_t start = 0;
  std::int32_t last = 0;
  std::vector<std::int32_t> track_starts;  // ascending (TrackStartsOfToc)
  std::vector<SessionGap> gaps;            // between sessions, ascending (ReadSessionGaps)
};
CommandOutcome ReadDiscRange(DeviceSession& session, DiscRange* range);

// The reads of a check from `start` through `last`: at most `per_read` blocks each, none across
// one of `track_starts` or into one of `gaps`, with whether each begins a track (where the
// record size is learnt); a gap is one step of its own, read by no command. Computed in 64
// bits: the addresses come from the drive. Empty when `last` < `start`.
struct SubQRead {
  std::int64_t lba = 0;
  std::uint32_t blocks = 0;
  bool new_track = false;
  bool between_sessions = false;  // the blocks of a gap: passed over, not read
};
class SubQReadPlan {
 public:
  SubQReadPlan(std::int64_t start, std::int64_t last, std::span<const std::int32_t> track_starts,
               std::span<const SessionGap> gaps, std::uint32_t per_read);
  // The read at `lba` (a value the plan gave: start, or a read's lba + blocks); nothing past
  // the last block.
  std::optional<SubQRead> At(std::int64_t lba) const;
  // The blocks the plan reads: the range less its gaps.
  std::uint64_t BlocksToRead() const;

 private:
  std::int64_t start_;
  std::int64_t last_;
  std::vector<std::int64_t> cuts_;  // track starts and gap ends after `start_`, ascending
  std::vector<SessionGap> gaps_;    // inside the range, ascending
  std::uint32_t per_read_;
};

enum class SubQCheckEnd {
  kFinished,    // "終了しました"
  kReadFailed,  // "読み込みに失敗しました"
  kUnsupported,  // "このドライブはSubQ読み出しをサポートしないかも知れません"
  kStopped,      // "キャンセルされました"
  kNoDisc,       // "No Discではありませんか?": nothing was read
};

struct SubQCheckResult {
  SubQCheckEnd end = SubQCheckEnd::kFinished;
  DiscRange range;
  std::int64_t lba_reached = 0;
  std::uint32_t record_size = 0;  // bytes per block with the Q data of the last track read
  std::int64_t crc_errors = 0;
  std::int64_t copy_on = 0;
  std::int64_t copy_off = 0;
  std::string summary;  // the final result line
  // CRC errors are differences; a failed or short read ends the check. Its coverage: every
  // block of the range but the gaps between sessions asked, read and compared (its Q CRC).
  JobVerdict verdict;
  std::string failure_text;        // why the check failed ("" when it did not)
  std::uint64_t reads = 0;         // block reads sent, second reads included
  std::uint64_t second_reads = 0;  // of those: reads sent again over the A5h fill
};

// Reports: SetBusy(true) first and SetBusy(false) last; Progress (done = the LBA, total = the
// last LBA) before each read; kCounters for the result line ("CRC error count=%d", then the
// summary), kStatus for the copy-bit line, kSecondStatus for the channel line; Message: the
// closing message (information icon), or "No Discではありませんか?" (question icon).
class SubQCheckJob final : public Job {
 public:
  void Run(JobContext& ctx) override;
  const SubQCheckResult& result() const { return result_; }

 private:
  // Reads and checks every block of the range; returns how the reading ended and leaves the
  // next block to read in `lba_reached`.
  SubQCheckEnd CheckBlocks(JobContext& ctx, SubQTally& tally);
  // Records the read of `blocks` at `lba` that ends the check (`why` for one with good status)
  // and returns `end`.
  SubQCheckEnd Failed(const BlockReply& reply, std::int64_t lba, std::uint32_t blocks,
                      SubQCheckEnd end, std::string why);

  SubQCheckResult result_;
};

// The message for each end.
const char* SubQCheckEndText(SubQCheckEnd end);

// Blocks per Read CD of the check.
inline constexpr std::uint32_t kSubQBlocksPerRead = 10;
// Bytes of Q data after the main channel with sub-channel selection 010b.
inline constexpr std::uint32_t kFormattedQBytes = 16;

}  // namespace tamarack
