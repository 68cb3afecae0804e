// The command monitor: the last commands any handle of a drive directory sent, kept in memory
// for the window's Others tab. It listens to the command trace (CommandTrace::SetSink) and
// keeps each command's trace line, so that what it shows can be saved as a trace file.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/command_trace.h"
#include "device/scsi.h"

namespace tamarack {

// Replies and data out beyond this many bytes are left out of a monitored command's line: the
// monitor keeps thousands of them.
inline constexpr std::size_t kMonitorByteCap = 256;
inline constexpr std::size_t kDefaultMonitorCapacity = 5000;

// One command as the monitor shows it.
struct MonitoredCommand {
  std::uint64_t sequence = 0;  // 1 for the first command the monitor saw
  std::string time;            // "12:34:56.123456" (UTC, as in the trace line)
  std::string drive;
  Cdb cdb{};
  std::string status;  // "GOOD", "CHECK CONDITION 5/24/00", "timed out: why", ...
  std::uint32_t transferred = 0;
  std::int64_t duration_us = 0;
  std::string line;  // the trace line, replies cut to kMonitorByteCap
};

// "GOOD", "CHECK CONDITION 3/11/05" (key/ASC/ASCQ in hex), "status 08h", or the transport's
// outcome with its reason.
std::string MonitorStatusText(const ScsiResult& result);

// A bounded ring of the last `capacity` commands. Thread-safe: the trace calls Add from any
// handle's thread; the window reads with Since.
class CommandMonitor final : public TraceSink {
 public:
  explicit CommandMonitor(std::size_t capacity = kDefaultMonitorCapacity);

  void OnCommand(std::chrono::system_clock::time_point started, std::string_view drive_id,
                 const ScsiRequest& request, const ScsiResult& result) override;

  // The kept commands after `sequence` (all of them for 0), oldest first.
  std::vector<MonitoredCommand> Since(std::uint64_t sequence) const;
  // The sequence number of the newest command seen (0: none yet).
  std::uint64_t last_sequence() const;
  std::size_t capacity() const { return capacity_; }
  void Clear();

 private:
  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::deque<MonitoredCommand> commands_;
  std::uint64_t last_sequence_ = 0;
};

// The opcode filter: empty text passes everything; else opcodes in hex separated by spaces or
// commas ("28 BE", "0x43,5A"). Nothing, with the reason in `error`, for anything else.
std::optional<std::vector<std::uint8_t>> ParseOpcodeFilter(std::string_view text,
                                                           std::string* error);
// True when the filter passes `command` (an empty filter passes every one).
bool PassesOpcodeFilter(const std::vector<std::uint8_t>& opcodes, const MonitoredCommand& command);

// Writes the commands' trace lines as a trace file (docs/cli-guide.md's format, readable by
// ReadTraceFile); false with the reason.
bool SaveMonitorTrace(const std::string& path, const std::vector<MonitoredCommand>& commands,
                      std::string* error);

}  // namespace tamarack
