// Everything the user sets up for an ageing run: the command, the address range and its
// pattern, lengths, pauses, loops, end conditions, the data check and the log options, with
// their defaults and the texts of the Aging tab's boxes. Plain data, copied into each run.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "device/scsi.h"
#include "job/retry_policy.h"

namespace tamarack {

// LBA change methods, in the order of the method box.
enum class LbaMethod : std::uint8_t {
  kTwoPoint = 0,       // alternates between Start LBA and End LBA
  kStep = 1,           // walks by Step towards End LBA, then wraps to Start LBA
  kRandom = 2,         // a random address in the range
  kRandomAndStep = 3,  // the step walk, one random address after every 51 steps
};
inline constexpr int kMethodCount = 4;

// Loop modes, in the order of the loop box.
enum class LoopMode : std::uint8_t {
  kOnce = 0,
  kEndless = 1,
  kCounted = 2,
  kCountedSet = 3,  // the entry that opens the loop count dialog; runs as kCounted
};
inline constexpr int kLoopModeCount = 4;

// The mode word: method (bits 0-7), loop mode (bits 8-15), end on a command error (bit 30),
// end on a data error (bit 31). Persisted as one signed decimal number, so bit 31 makes it
// negative.
class AgeingModeWord {
 public:
  static constexpr std::uint32_t kEndOnCommandError = 1u << 30;
  static constexpr std::uint32_t kEndOnDataError = 1u << 31;

  constexpr AgeingModeWord() = default;
  constexpr explicit AgeingModeWord(std::uint32_t value) : value_(value) {}
  static constexpr AgeingModeWord FromPersisted(int value) {
    return AgeingModeWord(static_cast<std::uint32_t>(value));
  }

  constexpr std::uint32_t value() const { return value_; }
  constexpr int persisted() const { return static_cast<int>(value_); }

  // The method box selects the low four bits, the loop box bits 8-11; a value outside the
  // boxes' entries reads as the first entry.
  constexpr int method_index() const { return static_cast<int>(value_ & 0xFu); }
  constexpr int loop_index() const { return static_cast<int>((value_ >> 8) & 0xFu); }
  constexpr LbaMethod method() const {
    return method_index() < kMethodCount ? static_cast<LbaMethod>(method_index())
                                         : LbaMethod::kTwoPoint;
  }
  constexpr LoopMode loop() const {
    return loop_index() < kLoopModeCount ? static_cast<LoopMode>(loop_index()) : LoopMode::kOnce;
  }
  constexpr bool counted() const {
    return loop() == LoopMode::kCounted || loop() == LoopMode::kCountedSet;
  }
  constexpr bool end_on_command_error() const { return (value_ & kEndOnCommandError) != 0; }
  constexpr bool end_on_data_error() const { return (value_ & kEndOnDataError) != 0; }

  constexpr void set_method(int index) {
    value_ = (value_ & ~0xFFu) | (static_cast<std::uint32_t>(index) & 0xFFu);
  }
  constexpr void set_loop(int index) {
    value_ = (value_ & ~0xFF00u) | ((static_cast<std::uint32_t>(index) & 0xFFu) << 8);
  }
  constexpr void set_end_on_command_error(bool on) { SetBit(kEndOnCommandError, on); }
  constexpr void set_end_on_data_error(bool on) { SetBit(kEndOnDataError, on); }

  constexpr bool operator==(const AgeingModeWord&) const = default;

 private:
  constexpr void SetBit(std::uint32_t bit, bool on) { value_ = on ? value_ | bit : value_ & ~bit; }
  std::uint32_t value_ = 0x101;  // step method, endless loop, no end conditions
};

enum class DataCheckType : std::uint8_t {
  kType13 = 0,  // "Type1.3": the sector's address text and checksum
  kType30 = 1,  // "Type3.0": the same, and the letters m, s, f must be there
  kOther = 2,   // "Other": byte by byte against a reference data file
};

enum class LogWhat : std::uint8_t { kNothing = 0, kAll = 1, kFailedOnly = 2 };
enum class LogDetail : std::uint8_t { kSimple = 0, kMedium = 1, kDetailed = 2 };

// The log option word: what is logged in the high 16 bits, the detail in the low 16 bits.
class LogOptionWord {
 public:
  constexpr LogOptionWord() = default;
  constexpr explicit LogOptionWord(std::uint32_t value) : value_(value) {}
  constexpr LogOptionWord(LogWhat what, LogDetail detail)
      : value_((static_cast<std::uint32_t>(what) << 16) | static_cast<std::uint32_t>(detail)) {}

  constexpr std::uint32_t value() const { return value_; }
  // High part 1 all, 2 failed only; anything else logs nothing.
  constexpr LogWhat what() const {
    const std::uint32_t high = value_ >> 16;
    return high == 1 ? LogWhat::kAll : high == 2 ? LogWhat::kFailedOnly : LogWhat::kNothing;
  }
  // Low part 1 medium, 2 detailed; anything else simple.
  constexpr LogDetail detail() const {
    const std::uint32_t low = value_ & 0xFFFFu;
    return low == 1 ? LogDetail::kMedium : low == 2 ? LogDetail::kDetailed : LogDetail::kSimple;
  }
  constexpr bool operator==(const LogOptionWord&) const = default;

 private:
  std::uint32_t value_ = 0x20002;  // failed commands only, detailed
};

// Rows of the ageing command table: Read(10), Read(12), Read CD.
inline constexpr int kAgeingCommands = 3;
inline constexpr int kMaxAgeingPath = 259;  // characters of a stored path
inline constexpr int kMaxAgeingTransfer = 100;

// The ageing settings, with the defaults they have before the settings file is read.
struct AgeingSettings {
  std::int32_t start_lba = 0;
  std::int32_t first_track_lba = 0;  // shown for reference
  std::int32_t last_lba = 0;         // from Read Capacity; a bound of the "once" loop mode
  std::int32_t step = 1;
  std::int32_t end_lba = 0;
  std::int32_t interval_ms = 0;
  std::int32_t loop_count = 100;
  bool data_check = false;
  DataCheckType data_check_type = DataCheckType::kOther;
  AgeingModeWord mode;
  std::int32_t transfer_length = 1;  // accepted here at any value, refused by the run above 100
  bool display_received = true;
  bool random_length = false;
  bool random_interval = false;
  std::int32_t command_index = 2;  // Read CD
  LogOptionWord log_options;
  bool log_html = true;
  std::string log_path;  // the window sets the program's folder + "Log.htm"
  std::string data_folder;
  std::string data_file;
  // Read CD's data blocks read whole and each checked against its own EDC (needs Read CD of
  // user data alone, byte 9 10h).
  bool verify_edc = false;
  // With the end on a command error: a failed read is sent again up to this many times
  // (0 to kMostRetries) before the run stops; one that comes whole is recovered and the
  // run goes on.
  std::int32_t retries = kDefaultRetries;
  // The ageing command table's own CDBs, kept apart from the Command tab's.
  std::array<Cdb, kAgeingCommands> cdbs = DefaultAgeingCdbs();

  static std::array<Cdb, kAgeingCommands> DefaultAgeingCdbs();
  bool operator==(const AgeingSettings&) const = default;
};

// The method box's entries: "2ﾎﾟｲﾝﾄ", "単純増減", "乱数", "乱数と単純増減(50回)".
const char* MethodEntryText(int index);

// The loop box's entries as filled when the tab is built: "1回", "無限ﾙｰﾌﾟ", "ﾙｰﾌﾟ回数 %d"
// (with the loop count), "ﾙｰﾌﾟ回数設定...". The loop count dialog rewrites the counted entry
// as LoopCountEntryAfterDialog.
std::string LoopEntryText(int index, int loop_count);
std::string LoopCountEntryAfterDialog(int loop_count);

// "Type1.3", "Type3.0", "Other".
const char* DataCheckTypeText(DataCheckType type);

}  // namespace tamarack
