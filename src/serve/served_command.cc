#include "serve/served_command.h"

#include <algorithm>
#include <cstring>

#include "mmc/cdb_direction.h"

namespace tamarack::serve {

namespace {

constexpr std::uint8_t kCheckCondition = 0x02;

Reply CheckCondition(std::uint16_t cmd_id, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  Reply r;
  r.cmd_id = cmd_id;
  r.scsi_status = kCheckCondition;
  r.sense = FixedSense(key, asc, ascq);
  return r;
}

}  // namespace

Reply PathFailureReply(std::uint16_t cmd_id) { return CheckCondition(cmd_id, 0x0B, 0x08, 0x00); }
Reply TimeOutReply(std::uint16_t cmd_id) { return CheckCondition(cmd_id, 0x0B, 0x08, 0x01); }
Reply BadRequestReply(std::uint16_t cmd_id) { return CheckCondition(cmd_id, 0x04, 0x44, 0x00); }

ServedCommand ExecuteEntry(Transport& transport, std::span<std::uint8_t> map,
                           const CmdRequest& request, std::uint32_t timeout_seconds,
                           std::vector<std::uint8_t>& scratch) {
  const DataDirection direction = DirectionOfCommand(request.cdb[0], request.data_length);
  // One buffer (the usual case): the drive reads from and writes into the kernel's data area
  // itself, which spares a copy of every block. ParseCmd checked it lies inside the map.
  const bool direct = request.iovecs.size() == 1;
  std::span<std::uint8_t> buffer;
  if (direct) {
    buffer = map.subspan(static_cast<std::size_t>(request.iovecs[0].offset),
                         static_cast<std::size_t>(request.iovecs[0].length));
  } else {
    // ParseCmd bounded the total by the map's size.
    scratch.resize(static_cast<std::size_t>(request.data_length));
    buffer = std::span<std::uint8_t>(scratch);
  }
  if (direction == DataDirection::kOut && !direct) {
    std::size_t at = 0;
    for (const IoVec& v : request.iovecs) {
      if (v.length != 0) std::memcpy(scratch.data() + at, map.data() + v.offset, v.length);
      at += v.length;
    }
  }
  ScsiRequest r;
  r.cdb = request.cdb;
  r.buffer = buffer;
  r.direction = direction;
  r.timeout_seconds = timeout_seconds;
  const ScsiResult result = transport.Execute(r);

  ServedCommand served;
  switch (result.status) {
    case TransportStatus::kTimedOut:
      served.reply = TimeOutReply(request.cmd_id);
      served.timed_out = true;
      return served;
    case TransportStatus::kRefused:
    case TransportStatus::kTransportError:
      served.reply = PathFailureReply(request.cmd_id);
      return served;
    case TransportStatus::kCompleted:
      break;
  }
  Reply& reply = served.reply;
  reply.cmd_id = request.cmd_id;
  reply.scsi_status = result.scsi_status;
  if (result.scsi_status == kCheckCondition) {
    reply.sense.assign(
        result.sense.begin(),
        result.sense.begin() + std::min<std::size_t>(result.sense_length, result.sense.size()));
  }
  if (direction == DataDirection::kIn) {
    const std::uint64_t sent = std::min<std::uint64_t>(result.transferred, request.data_length);
    std::uint64_t left = direct ? 0 : sent;
    std::size_t at = 0;
    for (const IoVec& v : request.iovecs) {
      const std::uint64_t n = std::min(left, v.length);
      if (n != 0) std::memcpy(map.data() + v.offset, scratch.data() + at, n);
      at += n;
      left -= n;
    }
    if (sent < request.data_length) {
      reply.short_read = true;
      reply.read_length = static_cast<std::uint32_t>(sent);
    }
  }
  return served;
}

}  // namespace tamarack::serve
