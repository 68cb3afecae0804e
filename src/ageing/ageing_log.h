// The ageing log: a header with the time, the drive, the disc and the settings, a line per
// logged command and data check, dumps of failing data, and a closing block with the counts,
// as plain text or as HTML (tables around a text area of event lines). It also keeps the event
// counts the run shows and reports, whether or not a log is written.
//
// The file is written through a buffer that is flushed at least once a second of the run's
// clock, so a crash keeps all but the last second. A write that fails (disk full, file gone)
// is reported once through `on_failure`; the run goes on without the log, and the closing
// block (tried once more at the end) names the failure.
//
// Thread: the run's worker.
#pragma once

#include <cstdint>
#include <cstdio>
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

namespace tamarack {

inline constexpr const char* kLogOpenFailedQuestion =
    "ﾛｸﾞﾌｧｲﾙのｵｰﾌﾟﾝに失敗しました\r\n%s\r\n\r\nﾛｸﾞは取れませんがｴｰｼﾞﾝｸﾞを開始しますか?";
inline constexpr const char* kLogWriteFailedText = "ﾛｸﾞﾌｧｲﾙの書き込みに失敗しました: %s (%s)";
inline constexpr const char* kNoLogFileMessage = "ﾛｸﾞﾌｧｲﾙが存在しないか、正しく設定されていません";

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
  bool open() const { return file_ != nullptr; }

  // The start event's first step: opens (replaces) the file when anything is to be logged.
  // False when the file should have opened and did not (the caller asks whether to go on).
  bool Open();
  void Start(const LogHeader& header);

  void Command(bool ok, const Cdb& cdb, std::string_view error_text, std::int64_t ms, char marker);
  void Interval(int ms);
  void Cancel();
  void DataCheck(bool ok, const Cdb& cdb, std::string_view message, char marker);
  void DataOk(std::span<const std::uint8_t> buffer);
  // A failing read's dump. `block_size` is the run's (0: not found yet); the reference data of
  // type Other come from `check`.
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
  void Fail(int error);
  void Close();

  const AgeingSettings& settings_;
  RunTime& time_;
  Clock& clock_;
  std::FILE* file_ = nullptr;
  std::vector<char> file_buffer_;
  bool html_ = false;
  LogCounts counts_;
  std::string failure_;
  bool reported_ = false;
  Clock::Duration last_flush_{};
  std::string line_;                     // reused for each event line
  std::vector<std::uint8_t> reference_;  // reused for each dump
};

}  // namespace tamarack
