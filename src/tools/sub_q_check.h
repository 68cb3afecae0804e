// The disc Sub-Q check of the Tools dialog: reads every block of the disc with its formatted Q
// sub-channel and counts the records with a wrong CRC; on audio it follows the digital copy bit
// (in windows of 100 records) and the pre-emphasis and channel bits.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "device/device_session.h"
#include "job/job.h"

namespace tamarack {

// Texts of the check.
inline constexpr char kCopyOnText[] = "ﾃﾞｼﾞﾀﾙｺﾋﾟｰ許可ﾋﾞｯﾄ：ｵﾝ(著作権なし)";
inline constexpr char kCopyOffText[] = "ﾃﾞｼﾞﾀﾙｺﾋﾟｰ許可ﾋﾞｯﾄ：ｵﾌ(著作権あり)";
inline constexpr char kCopyMixedText[] = "ﾃﾞｼﾞﾀﾙｺﾋﾟｰ許可ﾋﾞｯﾄ：ｵﾝｵﾌ(ｺﾋﾟｰ禁止)";
inline constexpr char kNoDiscText[] = "No Discではありませんか?";
inline constexpr char kSubQFinishedText[] = "終了しました";
inline constexpr char kSubQReadFailedText[] = "読み込みに失敗しました";
inline constexpr char kSubQUnsupportedText[] =
    "このドライブはSubQ読み出しをサポートしないかも知れません";
inline constexpr char kSubQCanceledText[] = "キャンセルされました";

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

  int crc_errors() const { return crc_errors_; }
  int copy_on() const { return copy_on_; }
  int copy_off() const { return copy_off_; }
  bool audio_seen() const { return copy_on_ + copy_off_ > 0; }
  // The summary: "Total Subq=%d CRC error=%d" with `lba_reached`, and when audio records were
  // seen "\r\nDigital copy ok=%d Digital copy ng=%d".
  std::string Summary(std::int32_t lba_reached) const;

 private:
  int crc_errors_ = 0;
  int copy_on_ = 0;
  int copy_off_ = 0;
  int window_on_ = 0;
  int window_off_ = 0;
  std::uint8_t last_control_ = 0xFF;  // bits 80h and 10h last reported; FFh: none yet
  const char* copy_line_ = nullptr;   // the copy-bit line's text; null: not shown yet
};

// The disc's extent as the speed measurement reads it: the last LBA from Read Capacity, the
// first track's start from Read TOC (format 0, allocation length 255). A failed command leaves
// its value as it was in `range`.
struct DiscRange {
  std::int32_t start = 0;
  std::int32_t last = 0;
};
void ReadDiscRange(DeviceSession& session, DiscRange* range);

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
  std::int32_t lba_reached = 0;
  std::uint32_t record_size = 0;  // bytes per block with the Q data; 0 when not found
  int crc_errors = 0;
  int copy_on = 0;
  int copy_off = 0;
  std::string summary;                    // the final result line
  std::optional<CommandOutcome> failure;  // the read that ended the check
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
  SubQCheckResult result_;
};

// The message for each end.
const char* SubQCheckEndText(SubQCheckEnd end);

// Blocks per Read CD of the check and the room per block of its buffer.
inline constexpr std::uint32_t kSubQBlocksPerRead = 10;
inline constexpr std::uint32_t kSubQRecordRoom = 2656;
// Bytes of Q data after the main channel with sub-channel selection 010b.
inline constexpr std::uint32_t kFormattedQBytes = 16;

}  // namespace tamarack
