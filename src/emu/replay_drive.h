// A drive that answers from a command trace: "emu:/path/trace.jsonl" replays what a drive
// (real or virtual) answered when the trace was recorded, so that anyone can run every decoder
// against the bytes of a drive they do not have.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/trace_reader.h"
#include "device/transport.h"

namespace tamarack::emu {

// Told about each command a replay could not answer from its trace, in words for the user.
using DriveNotice = std::function<void(const std::string& message)>;

// The recorded answers of one trace and how far each command has been replayed. Shared by
// every handle opened on the same id; thread-safe.
class ReplayLog {
 public:
  // Null with `error` set when the file cannot be read or is not a trace.
  static std::shared_ptr<ReplayLog> Load(const std::string& path, std::string* error);
  explicit ReplayLog(std::vector<TraceEntry> entries);

  // The next recorded answer to `cdb` with `data_out`: the recordings of the same command in
  // the order they were made, the last one again once they are used up. Null when the trace
  // holds no such command.
  const TraceEntry* Next(const Cdb& cdb, std::span<const std::uint8_t> data_out);
  // True when the trace holds any command with this operation code.
  bool HoldsOpcode(std::uint8_t opcode) const;

 private:
  struct Recordings {
    std::vector<std::size_t> entries;
    std::size_t next = 0;
  };
  static std::string Key(const Cdb& cdb, std::span<const std::uint8_t> data_out);

  std::vector<TraceEntry> entries_;
  std::mutex mutex_;
  std::map<std::string, Recordings, std::less<>> by_command_;
};

class ReplayDrive final : public Transport {
 public:
  ReplayDrive(std::string id, std::shared_ptr<ReplayLog> log, DriveNotice notice = {});

  // The recorded answer: status, sense, transferred count and reply bytes (never more than the
  // caller's buffer). A command the trace does not hold ends in check condition: 5/24/00 when
  // its operation code is one the drive knows (recorded, or one the virtual drive implements),
  // else 5/20/00; the notice names the command.
  ScsiResult Execute(const ScsiRequest& request) override;
  bool GetAddress(ScsiAddress* address) override;
  std::string Id() const override { return id_; }

 private:
  std::string id_;
  std::shared_ptr<ReplayLog> log_;
  DriveNotice notice_;
};

// True when a virtual drive id names a trace to replay (its path ends in ".jsonl").
bool IsTracePath(std::string_view path);

}  // namespace tamarack::emu
