#include "emu/virtual_drive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "emu/drive_commands.h"
#include "emu/virtual_drive_id.h"
#include "mmc/opcodes.h"
#include "util/bytes.h"

namespace tamarack::emu {

namespace {

constexpr std::uint8_t kRequestSenseOpcode = mmc::kRequestSense;
constexpr std::uint8_t kCheckCondition = 0x02;
constexpr const char* kHostErrorReason = "Transport failure: host adapter error (DID_ERROR)";

std::uint32_t LengthField(const Cdb& cdb, const CommandRow& command) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < command.length_size; ++i)
    v = (v << 8) | cdb[command.length_offset + i];
  return v;
}

}  // namespace

VirtualDrive::VirtualDrive(std::string id, std::shared_ptr<DriveUnit> unit, Clock& clock,
                           ResidMode resid)
    : id_(std::move(id)), unit_(std::move(unit)), clock_(clock), resid_(resid) {}

VirtualDrive::VirtualDrive(std::string id, std::unique_ptr<Disc> disc, Clock& clock,
                           SpeedSetting speed, FaultPlan faults)
    : VirtualDrive(std::move(id),
                   std::make_shared<DriveUnit>(std::move(disc), speed, std::move(faults)), clock) {
  unit_->serial = DriveSerialOfId(id_);
}

bool VirtualDrive::GetAddress(ScsiAddress* address) {
  // A drive of its own bus: port 0, path 0, target 0, LUN 0.
  *address = ScsiAddress{};
  return true;
}

void VirtualDrive::Spend(Clock::Duration d) {
  DriveUnit& u = *unit_;
  if (d.count() <= 0) return;
  const Clock::Duration want = d - u.sleep_overshoot;
  if (want.count() <= 0) {
    u.sleep_overshoot -= d;
    return;
  }
  const Clock::Duration start = clock_.Now();
  clock_.Sleep(want);
  // A real sleep ends late; the next one is shortened by as much so that long runs keep the
  // model's pace. The debt is bounded so that a suspended machine does not bank time.
  u.sleep_overshoot = std::clamp(clock_.Now() - start - want, Clock::Duration{0},
                                 Clock::Duration{std::chrono::milliseconds(200)});
}

ScsiResult VirtualDrive::Execute(const ScsiRequest& request) {
  DriveUnit& u = *unit_;
  std::lock_guard lock(u.mutex);
  ScsiResult result;
  const std::uint8_t opcode = request.cdb[0];
  const Clock::Duration timeout = std::chrono::seconds(request.timeout_seconds);

  // Faults of the path to the drive: the command never gets an answer. One the drive refuses
  // is answered as an opcode it does not know.
  const bool refused = u.faults.refused_opcodes.count(opcode) != 0;
  const bool unknown = refused && u.faults.refusal == RefusalKind::kDrive;
  if (refused && !unknown) {
    if (u.faults.refusal == RefusalKind::kOsError) {
      result.status = TransportStatus::kRefused;
      result.os_error = EIO;
      result.reason = std::strerror(EIO);
      result.transferred = static_cast<std::uint32_t>(request.buffer.size());
    } else {
      result.status = TransportStatus::kTransportError;
      result.reason = kHostErrorReason;
    }
    return result;
  }
  if (u.faults.slow_opcodes.count(opcode) != 0) {
    clock_.Sleep(timeout);
    result.status = TransportStatus::kTimedOut;
    result.reason = "The command timed out";
    result.duration = timeout;
    return result;
  }

  const CommandRow* command = unknown ? nullptr : FindCommand(opcode);
  std::span<const std::uint8_t> data_out;
  if (command && (command->flags & kParameterLength)) {
    const std::uint32_t length = LengthField(request.cdb, *command);
    if (length > 0 &&
        (request.direction != DataDirection::kOut || request.buffer.size() < length)) {
      // The drive waits for data the host does not send: the host adapter gives up.
      result.status = TransportStatus::kTransportError;
      result.reason = "Transport failure: the data-out buffer is shorter than the parameter list";
      return result;
    }
    data_out = std::span<const std::uint8_t>(request.buffer.data(), length);
  }

  CommandContext ctx{
      .unit = u,
      .cdb = request.cdb,
      .data_out = data_out,
      .capacity = request.direction == DataDirection::kIn ? request.buffer.size() : 0,
      .now = clock_.Now(),
      .reply = {},
      .time = Clock::Duration{0},
      .information = std::nullopt,
      .in = request.direction == DataDirection::kIn ? request.buffer : std::span<std::uint8_t>(),
      .timeout = timeout,
      .direct = 0,
      .overrun = false};
  SenseCode sense = kNoSense;
  if (u.unit_attention && !(command && (command->flags & kIgnoresAttention))) {
    sense = *u.unit_attention;  // reported once, instead of running the command
    u.unit_attention.reset();
  } else if (!command) {
    sense = kInvalidOpcode;
  } else if ((command->flags & kNeedsMedium) && !u.MediumPresent()) {
    sense = u.NoMediumSense();
  } else {
    sense = command->handler(ctx);
  }
  if (opcode != kRequestSenseOpcode) {
    u.last_sense = sense;
    u.last_information = ctx.information;
  }

  // A command that outlasts its time-out ends as a time-out, whatever it did.
  if (ctx.time > timeout) {
    Spend(timeout);
    result.status = TransportStatus::kTimedOut;
    result.reason = "The command timed out";
    result.duration = timeout;
    return result;
  }
  Spend(ctx.time);
  result.duration = std::chrono::duration_cast<std::chrono::microseconds>(ctx.time);
  // Data the drive sends past the host's buffer: every Linux path fails the command (an
  // adapter's overrun, libata's state machine error) as a host error without sense data.
  if (ctx.overrun && sense.ok()) {
    result.status = TransportStatus::kTransportError;
    result.reason = kHostErrorReason;
    return result;
  }
  result.status = TransportStatus::kCompleted;

  // The bytes a block read put straight into the buffer come first; `reply` follows them.
  std::size_t n = std::min(ctx.reply.size(), ctx.capacity - ctx.direct);
  // How far a padding path fills a reply that carries data: its allocation length, or the
  // caller's buffer for commands without one.
  std::size_t pad_to = ctx.capacity;
  if (command && (command->flags & kAllocationLength)) {
    pad_to = std::min<std::size_t>(pad_to, LengthField(request.cdb, *command));
    n = std::min(n, pad_to);
  }
  if (n > 0) std::memcpy(request.buffer.data() + ctx.direct, ctx.reply.data(), n);
  n += ctx.direct;
  if (!data_out.empty()) {
    result.transferred = static_cast<std::uint32_t>(data_out.size());
  } else if (request.direction == DataDirection::kIn) {
    result.transferred = DeliverReply(resid_, request.buffer, n, n > 0 ? pad_to : 0,
                                      command && (command->flags & kBlockRead));
  }
  if (!sense.ok()) {
    result.scsi_status = kCheckCondition;
    result.sense = BuildFixedSense(sense, ctx.information);
    result.sense_length = kFixedSenseLength;
  }
  return result;
}

}  // namespace tamarack::emu
