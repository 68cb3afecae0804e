#include "device/device_session.h"

#include <algorithm>

#include "util/strings.h"

namespace tamarack {

namespace {

const char* ScsiStatusName(std::uint8_t status) {
  switch (status) {
    case 0x02:
      return "CHECK CONDITION";
    case 0x04:
      return "CONDITION MET";
    case 0x08:
      return "BUSY";
    case 0x18:
      return "RESERVATION CONFLICT";
    case 0x28:
      return "TASK SET FULL";
    case 0x30:
      return "ACA ACTIVE";
    case 0x40:
      return "TASK ABORTED";
    default:
      return "unknown status";
  }
}

}  // namespace

DeviceSession::DeviceSession(const DriveDirectory* drives, std::span<const SenseRow> table)
    : sense_table_(table), drives_(drives) {}

bool DeviceSession::Open(const std::string& id) {
  std::lock_guard lock(mutex_);
  // The old device is closed before the new one is opened, also when the open fails.
  device_.reset();
  drive_id_ = id;
  open_error_.clear();
  if (!drives_) {
    open_error_ = "No drives are known";
    return false;
  }
  OpenResult r = drives_->Open(id);
  if (!r.transport) {
    open_error_ = r.error;
    return false;
  }
  device_ = std::move(r.transport);
  return true;
}

void DeviceSession::Close() {
  std::lock_guard lock(mutex_);
  device_.reset();
}

bool DeviceSession::HasDevice() const {
  std::lock_guard lock(mutex_);
  return device_ != nullptr;
}

std::string DeviceSession::DriveId() const {
  std::lock_guard lock(mutex_);
  return drive_id_;
}

OpenResult DeviceSession::OpenDriveDevice() const {
  const std::string id = DriveId();
  if (!drives_ || id.empty()) {
    OpenResult r;
    r.error = "No drive selected";
    return r;
  }
  return drives_->Open(id);
}

[[gnu::hot]] CommandOutcome DeviceSession::Run(const Cdb& cdb, std::span<std::uint8_t> buffer,
                                               RunOptions options) {
  // With no data the request still goes as data-in, with a zero byte count.
  const ScsiRequest request{.cdb = cdb,
                            .buffer = buffer,
                            .direction = options.direction == DataDirection::kOut
                                             ? DataDirection::kOut
                                             : DataDirection::kIn,
                            .timeout_seconds = CommandTimeout()};
  // One outcome, returned on every path: built in the caller's place, never moved.
  std::unique_lock lock(mutex_);
  const bool open = device_ != nullptr;
  CommandOutcome out{.status = CommandStatus::kNoDevice,
                     .result = open ? device_->Execute(request) : ScsiResult{},
                     .sense = {},
                     .error_text = {},
                     .row = nullptr};
  lock.unlock();
  if (!open) return out;  // no device: silent
  SessionHost* const to = options.report == HostReport::kTell ? host() : nullptr;
  const ScsiResult& r = out.result;
  // Sense data only where the transport counted sense bytes (SG_IO's sb_len_wr, a drive's own).
  if (r.status == TransportStatus::kCompleted && r.sense_length > 0) {
    out.sense = ParseSense(std::span<const std::uint8_t>(r.sense.data(), kSenseSize));
  }
  if (r.status != TransportStatus::kCompleted) {
    out.status = CommandStatus::kRefused;
    const std::string reason = r.reason.empty() ? "Error Undefine" : r.reason;
    out.error_text = StrFormat("Error Notified(%s)", reason.c_str());
  } else if (out.sense.format != SenseFormat::kNone) {
    out.status = CommandStatus::kCheckCondition;
    // The dialog gets the sense data the drive describes (8 + additional length bytes).
    if (options.sense_dialog == SenseDialog::kShow && to) {
      to->ShowSenseDialog(std::span<const std::uint8_t>(r.sense).first(out.sense.length));
    }
    out.row = &LookUpSense(sense_table_, out.sense.key, out.sense.asc, out.sense.ascq);
    out.error_text = StrFormat("Error Notified(%s).", out.row->message);
  } else if (r.scsi_status != 0) {
    // A bad status without sense data is a failure, not a success.
    out.status = CommandStatus::kCheckCondition;
    out.error_text = StrFormat("Error Notified(SCSI status %02xh %s without sense data).",
                               r.scsi_status, ScsiStatusName(r.scsi_status));
  } else {
    out.status = CommandStatus::kGood;
  }
  if (to) to->CommandEnded(out);
  return out;
}

FailureTexts FailureTextsOf(const CommandOutcome& outcome) {
  FailureTexts t;
  switch (outcome.status) {
    case CommandStatus::kNoDevice:
    case CommandStatus::kGood:
      return t;
    case CommandStatus::kRefused:
      // The advice goes with the error text (logs, CLI); the status line keeps the short form.
      t.last_error = outcome.result.advice.empty()
                         ? outcome.error_text
                         : outcome.error_text + " " + outcome.result.advice;
      break;
    case CommandStatus::kCheckCondition:
      t.last_error = outcome.error_text;
      break;
  }
  t.shown = true;
  t.status_line = outcome.error_text;
  // The block the drive names (for a read, the one that failed), wherever the failure shows.
  if (outcome.status == CommandStatus::kCheckCondition && outcome.sense.length > 0) {
    const auto sense =
        std::span<const std::uint8_t>(outcome.result.sense).first(outcome.sense.length);
    if (const std::optional<std::uint32_t> info = SenseInformation(sense)) {
      const std::string suffix = StrFormat(" Information %u (%08xh)", *info, *info);
      t.status_line += suffix;
      t.last_error += suffix;
    }
  }
  return t;
}

bool SendScsiCommand(DeviceSession& session, const Cdb& cdb, std::span<std::uint8_t> buffer,
                     std::uint32_t* transferred, RunOptions options) {
  const CommandOutcome out = session.Run(cdb, buffer, options);
  if (out.status == CommandStatus::kNoDevice) return false;
  if (transferred) *transferred = out.result.transferred;
  return out.status == CommandStatus::kGood;
}

CdbReply IssueCdb(DeviceSession& session, const Cdb& cdb, HostReport report) {
  CdbReply reply;
  reply.bytes.assign(kResponseBufferSize, 0);
  reply.outcome = session.Run(cdb, reply.bytes, {.report = report});
  // A transport that claims more than was asked for cannot be believed past the buffer.
  reply.transferred = std::min<std::uint32_t>(reply.outcome.result.transferred,
                                              static_cast<std::uint32_t>(reply.bytes.size()));
  // Bytes beyond the transferred count read as zero even if a driver left data there.
  std::fill(reply.bytes.begin() + reply.transferred, reply.bytes.end(), std::uint8_t{0});
  return reply;
}

Cdb MakeCdb(std::initializer_list<std::uint8_t> bytes) {
  Cdb cdb{};
  std::size_t i = 0;
  for (std::uint8_t b : bytes) {
    if (i >= cdb.size()) break;
    cdb[i++] = b;
  }
  return cdb;
}

}  // namespace tamarack
