// A record of every command sent to a drive, as JSON Lines: one object per command holding
// every byte needed to replay it (CDB, data out, reply, status, sense, transferred count).
// The field names are part of the trace's format; docs/cli-guide.md lists them.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "device/scsi.h"

namespace tamarack {

// Reply and data-out bytes beyond this many are left out of a line (and counted).
inline constexpr std::size_t kDefaultTraceByteCap = std::size_t{64} * 1024;

// The trace line (without its line end) of one finished command: `request` as it was sent
// (for data in, its buffer holds the reply), `result` as the transport returned it, `started`
// the wall-clock time the command was sent.
std::string FormatTraceLine(std::chrono::system_clock::time_point started,
                            std::string_view drive_id, const ScsiRequest& request,
                            const ScsiResult& result, std::size_t byte_cap = kDefaultTraceByteCap);

// "2024-05-01T12:34:56.123456Z": UTC with microseconds.
std::string TraceTimestamp(std::chrono::system_clock::time_point t);

// Hears of every finished command a trace sees, whether or not it writes a file (the
// window's command monitor). Called on the thread that sent the command.
class TraceSink {
 public:
  virtual ~TraceSink() = default;
  virtual void OnCommand(std::chrono::system_clock::time_point started, std::string_view drive_id,
                         const ScsiRequest& request, const ScsiResult& result) = 0;
};

// The one writer of a trace file. Every handle opened through one DriveDirectory shares it,
// so lines from the window thread, a worker and the disc indicator's poll never interleave.
// Thread-safe; it can be started, stopped and pointed at another file at any time.
class CommandTrace {
 public:
  enum class Mode { kAppend, kTruncate };

  CommandTrace() = default;
  CommandTrace(const CommandTrace&) = delete;
  CommandTrace& operator=(const CommandTrace&) = delete;
  ~CommandTrace();

  // Starts writing to `path` (after what it holds, or from empty). On failure returns false,
  // sets `error` to why, and the trace is off.
  bool Start(const std::string& path, Mode mode, std::string* error);
  // Closes the file; later commands are not recorded.
  void Stop();
  bool Active() const { return active_.load(std::memory_order_acquire); }
  // True while a file is written or a sink listens: the handles then time their commands.
  bool Observed() const { return Active() || sink_.load(std::memory_order_acquire) != nullptr; }
  // Every later command also goes to `sink` (null: none); it must stay alive until replaced.
  // SetSink waits for a command being handed to the old sink.
  void SetSink(TraceSink* sink);
  // The file being written, "" when off.
  std::string Path() const;
  // The first write failure since Start() ("" when none). Recording continues after one.
  std::string WriteError() const;
  void SetByteCap(std::size_t bytes);

  // Writes the line of one finished command and flushes it, so a crash loses nothing
  // already recorded, and hands the command to the sink. Does nothing while neither is on.
  void Record(std::chrono::system_clock::time_point started, std::string_view drive_id,
              const ScsiRequest& request, const ScsiResult& result);

 private:
  void CloseLocked();

  mutable std::mutex mutex_;
  std::atomic<bool> active_{false};
  std::FILE* file_ = nullptr;
  std::string path_;
  std::string write_error_;
  std::atomic<std::size_t> byte_cap_{kDefaultTraceByteCap};
  std::mutex sink_mutex_;
  std::atomic<TraceSink*> sink_{nullptr};
};

}  // namespace tamarack
