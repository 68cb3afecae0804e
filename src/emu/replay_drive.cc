#include "emu/replay_drive.h"

#include <algorithm>
#include <cstring>

#include "device/command_trace.h"
#include "emu/drive_commands.h"
#include "emu/sense_codes.h"
#include "util/strings.h"

namespace tamarack::emu {

std::shared_ptr<ReplayLog> ReplayLog::Load(const std::string& path, std::string* error) {
  std::vector<TraceEntry> entries;
  if (!ReadTraceFile(path, &entries, error)) return nullptr;
  return std::make_shared<ReplayLog>(std::move(entries));
}

ReplayLog::ReplayLog(std::vector<TraceEntry> entries) : entries_(std::move(entries)) {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const TraceEntry& e = entries_[i];
    by_command_[Key(e.cdb, e.data_out)].entries.push_back(i);
  }
}

std::string ReplayLog::Key(const Cdb& cdb, std::span<const std::uint8_t> data_out) {
  // A trace keeps at most the cap of the data out; longer data are matched on that much.
  data_out = data_out.first(std::min(data_out.size(), kDefaultTraceByteCap));
  std::string key(cdb.begin(), cdb.end());
  key.append(data_out.begin(), data_out.end());
  return key;
}

const TraceEntry* ReplayLog::Next(const Cdb& cdb, std::span<const std::uint8_t> data_out) {
  std::lock_guard lock(mutex_);
  auto it = by_command_.find(Key(cdb, data_out));
  if (it == by_command_.end()) return nullptr;
  Recordings& r = it->second;
  const std::size_t index = r.entries[r.next];
  if (r.next + 1 < r.entries.size()) ++r.next;
  return &entries_[index];
}

bool ReplayLog::HoldsOpcode(std::uint8_t opcode) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [opcode](const TraceEntry& e) { return e.cdb[0] == opcode; });
}

ReplayDrive::ReplayDrive(std::string id, std::shared_ptr<ReplayLog> log, DriveNotice notice)
    : id_(std::move(id)), log_(std::move(log)), notice_(std::move(notice)) {}

bool ReplayDrive::GetAddress(ScsiAddress* address) {
  *address = ScsiAddress{};
  return true;
}

ScsiResult ReplayDrive::Execute(const ScsiRequest& request) {
  const std::span<const std::uint8_t> data_out = request.direction == DataDirection::kOut
                                                     ? std::span<const std::uint8_t>(request.buffer)
                                                     : std::span<const std::uint8_t>{};
  ScsiResult result;
  if (const TraceEntry* e = log_->Next(request.cdb, data_out)) {
    result = e->result;
    if (request.direction == DataDirection::kIn) {
      const std::size_t n = std::min(e->reply.size(), request.buffer.size());
      if (n > 0) std::memcpy(request.buffer.data(), e->reply.data(), n);
    }
    // Whatever was recorded, never claim more than this caller's buffer.
    result.transferred = static_cast<std::uint32_t>(
        std::min<std::size_t>(result.transferred, request.buffer.size()));
    return result;
  }
  const std::uint8_t opcode = request.cdb[0];
  const SenseCode sense =
      log_->HoldsOpcode(opcode) || FindCommand(opcode) ? kInvalidFieldInCdb : kInvalidOpcode;
  if (notice_) {
    std::string cdb = HexBytes(request.cdb, " ");
    cdb.pop_back();
    notice_(StrFormat("%s: the trace holds no reply for CDB %s%s (answered %X/%02X/%02X)",
                      id_.c_str(), cdb.c_str(),
                      data_out.empty() ? "" : " with these data-out bytes", sense.key, sense.asc,
                      sense.ascq));
  }
  result.status = TransportStatus::kCompleted;
  result.scsi_status = 0x02;  // check condition
  result.sense = BuildFixedSense(sense);
  result.sense_length = kFixedSenseLength;
  return result;
}

bool IsTracePath(std::string_view path) {
  constexpr std::string_view kSuffix = ".jsonl";
  return path.size() > kSuffix.size() && path.substr(path.size() - kSuffix.size()) == kSuffix;
}

}  // namespace tamarack::emu
