#include "device/command_monitor.h"

#include "device/sense.h"
#include "util/message_catalogue.h"
#include "util/strings.h"
#include "util/text_file.h"

namespace tamarack {

std::string MonitorStatusText(const ScsiResult& result) {
  switch (result.status) {
    case TransportStatus::kRefused:
      return "refused: " + result.reason;
    case TransportStatus::kTimedOut:
      return "timed out: " + result.reason;
    case TransportStatus::kTransportError:
      return "transport error: " + result.reason;
    case TransportStatus::kCompleted:
      break;
  }
  if (result.scsi_status == 0) return "GOOD";
  if (result.scsi_status == 2) {
    const ParsedSense sense = ParseSense(result.sense);
    if (sense.format == SenseFormat::kNone) return "CHECK CONDITION (no sense)";
    return StrFormat("CHECK CONDITION %X/%02X/%02X", sense.key, sense.asc, sense.ascq);
  }
  return StrFormat("status %02Xh", result.scsi_status);
}

CommandMonitor::CommandMonitor(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

void CommandMonitor::OnCommand(std::chrono::system_clock::time_point started,
                               std::string_view drive_id, const ScsiRequest& request,
                               const ScsiResult& result) {
  // Built outside the lock: the sending thread pays for its own line.
  MonitoredCommand c;
  const std::string stamp = TraceTimestamp(started);
  c.time = stamp.substr(11, 15);  // "hh:mm:ss.uuuuuu" of "yyyy-mm-ddThh:mm:ss.uuuuuuZ"
  c.drive = std::string(drive_id);
  c.cdb = request.cdb;
  c.status = MonitorStatusText(result);
  c.transferred = result.transferred;
  c.duration_us = static_cast<std::int64_t>(result.duration.count());
  c.line = FormatTraceLine(started, drive_id, request, result, kMonitorByteCap);
  std::lock_guard lock(mutex_);
  c.sequence = ++last_sequence_;
  if (commands_.size() == capacity_) commands_.pop_front();
  commands_.push_back(std::move(c));
}

std::vector<MonitoredCommand> CommandMonitor::Since(std::uint64_t sequence) const {
  std::lock_guard lock(mutex_);
  std::vector<MonitoredCommand> out;
  // Sequence numbers are consecutive: the first newer one is found by arithmetic.
  if (commands_.empty() || sequence >= last_sequence_) return out;
  const std::uint64_t oldest = commands_.front().sequence;
  const std::size_t skip = sequence < oldest ? 0 : static_cast<std::size_t>(sequence - oldest + 1);
  out.assign(commands_.begin() + static_cast<std::ptrdiff_t>(skip), commands_.end());
  return out;
}

std::uint64_t CommandMonitor::last_sequence() const {
  std::lock_guard lock(mutex_);
  return last_sequence_;
}

void CommandMonitor::Clear() {
  std::lock_guard lock(mutex_);
  commands_.clear();
}

std::optional<std::vector<std::uint8_t>> ParseOpcodeFilter(std::string_view text,
                                                           std::string* error) {
  std::vector<std::uint8_t> opcodes;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == ',') {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && text[end] != ' ' && text[end] != ',') ++end;
    const std::optional<std::uint64_t> value = ParseHexCode(text.substr(i, end - i), 16, 0xFF);
    if (!value) {
      if (error) {
        *error = StrFormat(
            Tr("オペコードではありません: \"%s\" (00 から FF の16進数を空白かカンマで区切ります)"),
            std::string(text.substr(i, end - i)).c_str());
      }
      return std::nullopt;
    }
    opcodes.push_back(static_cast<std::uint8_t>(*value));
    i = end;
  }
  return opcodes;
}

bool PassesOpcodeFilter(const std::vector<std::uint8_t>& opcodes, const MonitoredCommand& command) {
  if (opcodes.empty()) return true;
  for (const std::uint8_t op : opcodes) {
    if (command.cdb[0] == op) return true;
  }
  return false;
}

bool SaveMonitorTrace(const std::string& path, const std::vector<MonitoredCommand>& commands,
                      std::string* error) {
  std::string text;
  for (const MonitoredCommand& c : commands) {
    text += c.line;
    text += '\n';
  }
  return WriteFileAtomically(path, text, error);
}

}  // namespace tamarack
