// The ageing log: a header with the time, the drive, the disc and the settings, a line per
// logged command and data check, dumps of failing data, and a closing block with the counts,
// as plain text or as HTML (tables around a text area of event lines). It also keeps the event
// counts the run shows and reports, whether or not a log is written.
//
// The file is written in place (util/output_file.h: a symlink followed, a device node or FIFO
// written as it is), not through a temporary file: a log must be readable while a run of days
// goes on, and a crash must keep what was logged, which a file renamed into place at the end
// would not. It is written through a buffer flushed at least once a second of the run's clock,
// so a crash keeps all but the last second. A write that fails (disk full, EFBIG) is reported
// once through `on_failure`, naming the file and the system's reason; the run goes on without
// the log.
//
// Text from the disc or the drive (the volume label, the model name) and the paths go through
// DisplayText (util/display_text.h): one line of UTF-8 whatever bytes they hold.
//
// Thread: the run's worker.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ageing/ageing_settings.h"
#include "ageing/data_check.h"
#include "ageing/run_time.h"
#include "device/clock.h"
#include "device/scsi.h"
#include "util/message_catalogue.h"
#include "util/output_file.h"

namespace tamarack {

inline constexpr const char* kLogOpenFailedQuestion =
    TR_NOOP("ﾛｸﾞﾌｧｲﾙのｵｰﾌﾟﾝに失敗しました\r\n%s\r\n\r\nﾛｸﾞは取れませんがｴｰｼﾞﾝｸﾞを開始しますか?");
// With the file and the system's reason ("PATH: REASON").
inline constexpr const char* kLogWriteFailedText = TR_NOOP("ﾛｸﾞﾌｧｲﾙの書き込みに失敗しました: %s");
// A note of the run written whatever is logged: the data of a track could not be checked.
inline constexpr const char* kBlockSizeNotFoundText =
    "Data Check Skipped! (block size not found) lba:%08d(%08xh)";
inline constexpr const char* kNoLogFileMessage =
    TR_NOOP("ﾛｸﾞﾌｧｲﾙが存在しないか、正しく設定されていません");

// What the start event writes beside the settings.
struct LogHeader {
  std::string method_text;  // the method box's text
  std::string loop_text;    // the loop box's text
  std::string model_name;   // Inquiry vendor and product, 24 characters
  std::string volume_label;
  std::string command_text;  // the form's CDB field ("%02x " per byte)
};

struct LogCounts {
  std::int64_t commands = 0;
  std::int64_t failed_commands = 0;
  std::int64_t data_ok = 0;
  std::int64_t data_ng = 0;  // the "Fail Data" count
};

// The text settings summary of the start block.
std::string TextSettingsSummary(const AgeingSettings& s, const LogHeader& h);
// The HTML settings rows of the start block (rows 1 to 10).
std::string HtmlSettingsRows(const AgeingSettings& s, const LogHeader& h);
// The lines of one failing block's dump: 32 bytes a line with the offset, the characters, and
// a marker line under the bytes that differ from `reference` (when it is not empty).
std::string BlockDumpLines(std::span<const std::uint8_t> block,
                           std::span<const std::uint8_t> reference, bool compare);

class AgeingLog {
 public:
  // `settings`, `time` and `clock` must outlive the log.
  AgeingLog(const AgeingSettings& settings, RunTime& time, Clock& clock);
  ~AgeingLog();
  AgeingLog(const AgeingLog&) = delete;
  AgeingLog& operator=(const AgeingLog&) = delete;

  // Called once with the failure text when a write first fails.
  std::function<void(const std::string&)> on_failure;

  const LogCounts& counts() const { return counts_; }
  bool logging() const { return settings_.log_options.what() != LogWhat::kNothing; }
  bool open() const { return open_; }

  // The start event's first step: opens (replaces) the file when anything is to be logged.
  // False when the file should have opened and did not; open_error() then names the file and
  // the reason.
  bool Open();
  const std::string& open_error() const { return open_error_; }
  void Start(const LogHeader& header);

  void Command(bool ok, const Cdb& cdb, std::string_view error_text, std::int64_t ms, char marker);
  void Interval(int ms);
  // The cancel event: "Canceled", then what stopped the run when it was not Cancel ("[window
  // closed]", job/run_state.h: CancelCauseSuffix).
  void Cancel(std::string_view cause_suffix = {});
  // A line of the run itself (not of a command), written whenever a log is written.
  void Note(const Cdb& cdb, std::string_view text);
  void DataCheck(bool ok, const Cdb& cdb, std::string_view message, char marker);
  void DataOk(std::span<const std::uint8_t> buffer);
  // A failing read's dump; `block_size` is the read's. The reference data of type Other come
  // from `check`.
  void DataNg(std::uint32_t transferred, std::int32_t blocks, std::int32_t lba,
              std::span<const std::uint8_t> buffer, const AgeingDataCheck& check,
              std::uint32_t block_size);
  // The closing block; closes the file.
  void End(std::string_view status_text);

  // Writes the buffer out when a second will have passed since the last time `ahead` from
  // now (the run is about to pause that long).
  void Flush(Clock::Duration ahead = Clock::Duration{0});

  // The failure text, empty while every write succeeded.
  const std::string& failure() const { return failure_; }

 private:
  bool Wanted(bool failed) const;
  void Put(std::string_view text);
  void PutEvent(std::string_view text);
  void Fail(const std::string& error);
  void Close();

  const AgeingSettings& settings_;
  RunTime& time_;
  Clock& clock_;
  OutputFile out_;
  bool open_ = false;
  std::string open_error_;
  bool html_ = false;
  LogCounts counts_;
  std::string failure_;
  Clock::Duration last_flush_{};
  std::string line_;                     // reused for each event line
  std::vector<std::uint8_t> reference_;  // reused for each dump
};

}  // namespace tamarack
