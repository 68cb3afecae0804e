#include "device/command_trace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "util/json_string.h"
#include "util/strings.h"

namespace tamarack {

namespace {

// Bytes as "12 00 00 24": the form of the CLI's output, without a trailing space.
std::string Hex(std::span<const std::uint8_t> bytes) {
  std::string text = HexBytes(bytes, " ");
  if (!text.empty()) text.pop_back();
  return text;
}

const char* DirectionName(DataDirection d) {
  switch (d) {
    case DataDirection::kIn:
      return "in";
    case DataDirection::kOut:
      return "out";
    case DataDirection::kNone:
      break;
  }
  return "none";
}

const char* OutcomeName(TransportStatus s) {
  switch (s) {
    case TransportStatus::kRefused:
      return "refused";
    case TransportStatus::kTimedOut:
      return "timed out";
    case TransportStatus::kTransportError:
      return "transport error";
    case TransportStatus::kCompleted:
      break;
  }
  return "completed";
}

// Appends `"name": "hex", "name_omitted": N` for the first `cap` of `bytes`.
void AppendBytes(std::string* line, const char* name, std::span<const std::uint8_t> bytes,
                 std::size_t cap) {
  const std::size_t kept = std::min(bytes.size(), cap);
  StrAppendFormat(line, ", \"%s\": \"%s\", \"%s_omitted\": %zu", name,
                  Hex(bytes.first(kept)).c_str(), name, bytes.size() - kept);
}

}  // namespace

std::string TraceTimestamp(std::chrono::system_clock::time_point t) {
  using namespace std::chrono;
  const auto us = floor<microseconds>(t);
  const auto day = floor<days>(us);
  const year_month_day date{day};
  const hh_mm_ss time{us - day};
  return StrFormat("%04d-%02u-%02uT%02d:%02d:%02d.%06lldZ", static_cast<int>(date.year()),
                   static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                   static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                   static_cast<int>(time.seconds().count()),
                   static_cast<long long>(time.subseconds().count()));
}

std::string FormatTraceLine(std::chrono::system_clock::time_point started,
                            std::string_view drive_id, const ScsiRequest& request,
                            const ScsiResult& result, std::size_t byte_cap) {
  std::string line = "{\"time\": \"" + TraceTimestamp(started) + "\"";
  line += ", \"drive\": " + JsonString(drive_id);
  line += ", \"cdb\": \"" + Hex(request.cdb) + "\"";
  StrAppendFormat(&line, ", \"direction\": \"%s\", \"length\": %zu, \"timeout_s\": %u",
                  DirectionName(request.direction), request.buffer.size(), request.timeout_seconds);
  const bool out = request.direction == DataDirection::kOut;
  AppendBytes(&line, "data_out", out ? request.buffer : std::span<std::uint8_t>{}, byte_cap);
  StrAppendFormat(&line, ", \"outcome\": \"%s\", \"os_error\": %d", OutcomeName(result.status),
                  result.os_error);
  line += ", \"reason\": " + JsonString(result.reason);
  line += ", \"advice\": " + JsonString(result.advice);
  // The whole sense area up to its last byte in use: a transport may fill bytes past the
  // length it reports, and the session reads all of them.
  std::size_t sense_used = std::min<std::size_t>(result.sense_length, kSenseSize);
  for (std::size_t i = sense_used; i < kSenseSize; ++i) {
    if (result.sense[i] != 0) sense_used = i + 1;
  }
  StrAppendFormat(&line,
                  ", \"scsi_status\": %u, \"sense\": \"%s\", \"sense_length\": %u"
                  ", \"transferred\": %u, \"duration_us\": %lld",
                  result.scsi_status,
                  Hex(std::span<const std::uint8_t>(result.sense).first(sense_used)).c_str(),
                  result.sense_length, result.transferred,
                  static_cast<long long>(result.duration.count()));
  // A reply exists only for data in that reached the drive; never more than the buffer holds,
  // whatever the transport claims.
  std::span<const std::uint8_t> reply;
  if (request.direction == DataDirection::kIn && result.status == TransportStatus::kCompleted) {
    reply = std::span<const std::uint8_t>(request.buffer)
                .first(std::min<std::size_t>(result.transferred, request.buffer.size()));
  }
  AppendBytes(&line, "reply", reply, byte_cap);
  line += "}";
  return line;
}

CommandTrace::~CommandTrace() { Stop(); }

bool CommandTrace::Start(const std::string& path, Mode mode, std::string* error) {
  std::lock_guard lock(mutex_);
  CloseLocked();
  std::FILE* f = std::fopen(path.c_str(), mode == Mode::kAppend ? "ab" : "wb");
  if (!f) {
    if (error)
      *error = StrFormat("cannot write the trace file %s: %s", path.c_str(), std::strerror(errno));
    return false;
  }
  file_ = f;
  path_ = path;
  write_error_.clear();
  active_.store(true, std::memory_order_release);
  return true;
}

void CommandTrace::Stop() {
  std::lock_guard lock(mutex_);
  CloseLocked();
}

void CommandTrace::CloseLocked() {
  active_.store(false, std::memory_order_release);
  if (file_) std::fclose(file_);
  file_ = nullptr;
  path_.clear();
}

std::string CommandTrace::Path() const {
  std::lock_guard lock(mutex_);
  return path_;
}

std::string CommandTrace::WriteError() const {
  std::lock_guard lock(mutex_);
  return write_error_;
}

void CommandTrace::SetByteCap(std::size_t bytes) { byte_cap_.store(bytes); }

void CommandTrace::SetSink(TraceSink* sink) {
  std::lock_guard lock(sink_mutex_);
  sink_.store(sink, std::memory_order_release);
}

void CommandTrace::Record(std::chrono::system_clock::time_point started, std::string_view drive_id,
                          const ScsiRequest& request, const ScsiResult& result) {
  if (sink_.load(std::memory_order_acquire)) {
    std::lock_guard lock(sink_mutex_);
    if (TraceSink* sink = sink_.load(std::memory_order_acquire)) {
      sink->OnCommand(started, drive_id, request, result);
    }
  }
  if (!Active()) return;
  // Built outside the lock: a 64 KiB reply takes a while to turn into text.
  std::string line = FormatTraceLine(started, drive_id, request, result, byte_cap_.load());
  line += '\n';
  std::lock_guard lock(mutex_);
  if (!file_) return;
  const bool written = std::fwrite(line.data(), 1, line.size(), file_) == line.size();
  if ((!written || std::fflush(file_) != 0) && write_error_.empty()) {
    write_error_ =
        StrFormat("cannot write the trace file %s: %s", path_.c_str(), std::strerror(errno));
  }
}

}  // namespace tamarack
