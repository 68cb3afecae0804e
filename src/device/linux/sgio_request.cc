#include "device/linux/sgio_request.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "util/strings.h"

namespace tamarack {

namespace {

// Host byte values of the Linux SCSI mid layer (include/scsi/scsi_status.h).
constexpr unsigned kDidOk = 0x00;
constexpr unsigned kDidTimeOut = 0x03;
// Driver byte: the request timed out in the driver.
constexpr unsigned kDriverTimeout = 0x06;

const char* HostStatusText(unsigned host) {
  switch (host) {
    case 0x01:
      return "could not connect to the device (DID_NO_CONNECT)";
    case 0x02:
      return "bus busy (DID_BUS_BUSY)";
    case 0x03:
      return "command timed out (DID_TIME_OUT)";
    case 0x04:
      return "device not reachable (DID_BAD_TARGET)";
    case 0x05:
      return "command aborted (DID_ABORT)";
    case 0x06:
      return "parity error (DID_PARITY)";
    case 0x07:
      return "host adapter error (DID_ERROR)";
    case 0x08:
      return "bus was reset (DID_RESET)";
    case 0x09:
      return "bad interrupt (DID_BAD_INTR)";
    case 0x0A:
      return "passed through (DID_PASSTHROUGH)";
    case 0x0B:
      return "soft error, retry (DID_SOFT_ERROR)";
    case 0x0C:
      return "retry later (DID_IMM_RETRY)";
    case 0x0D:
      return "requeued (DID_REQUEUE)";
    case 0x0E:
      return "transport disrupted (DID_TRANSPORT_DISRUPTED)";
    case 0x0F:
      return "transport failed (DID_TRANSPORT_FAILFAST)";
    default:
      return "host adapter error";
  }
}

}  // namespace

std::string OsErrorText(int error) {
  char buf[256];
  // GNU strerror_r returns the text, which may or may not be buf.
  const char* text = strerror_r(error, buf, sizeof buf);
  return text ? std::string(text) : std::string();
}

std::size_t SgIoStagingCapacity(std::size_t length, std::size_t page_size) {
  if (page_size == 0) page_size = kSgIoUnit;
  return (length + page_size - 1) / page_size * page_size;
}

[[gnu::hot]] sg_io_hdr_t BuildSgIoRequest(const ScsiRequest& request,
                                          std::span<std::uint8_t> staging, SgIoBuffers* buffers) {
  buffers->cdb = request.cdb;
  buffers->sense.fill(0);
  sg_io_hdr_t hdr;
  std::memset(&hdr, 0, sizeof hdr);
  hdr.interface_id = 'S';
  hdr.cmd_len = static_cast<unsigned char>(kCdbSize);
  hdr.cmdp = buffers->cdb.data();
  hdr.mx_sb_len = static_cast<unsigned char>(kSenseSize);
  hdr.sbp = buffers->sense.data();
  const std::size_t length = std::min(SgIoTransferLength(request), staging.size());
  hdr.dxfer_len = static_cast<unsigned int>(length);
  hdr.dxferp = length > 0 ? staging.data() : nullptr;
  if (length == 0) {
    hdr.dxfer_direction = SG_DXFER_NONE;
  } else if (request.direction == DataDirection::kOut) {
    hdr.dxfer_direction = SG_DXFER_TO_DEV;
  } else {
    hdr.dxfer_direction = SG_DXFER_FROM_DEV;
  }
  const std::uint64_t ms = std::uint64_t{request.timeout_seconds} * 1000u;
  hdr.timeout = static_cast<unsigned int>(ms > 0xFFFFFFFFu ? 0xFFFFFFFFu : ms);
  return hdr;
}

[[gnu::hot]] ScsiResult InterpretSgIoResult(const sg_io_hdr_t& hdr, const SgIoBuffers& buffers,
                                            int ioctl_errno, std::size_t requested) {
  ScsiResult r;
  const auto cap = static_cast<unsigned>(std::min<std::size_t>(requested, hdr.dxfer_len));
  if (ioctl_errno != 0) {
    r.status = TransportStatus::kRefused;
    r.os_error = ioctl_errno;
    r.reason = OsErrorText(ioctl_errno);
    r.transferred = cap;
    return r;
  }
  r.scsi_status = hdr.status;
  r.sense_length =
      hdr.sb_len_wr > kSenseSize ? static_cast<std::uint8_t>(kSenseSize) : hdr.sb_len_wr;
  r.sense = buffers.sense;
  const int resid = hdr.resid < 0 ? 0 : hdr.resid;
  r.transferred = static_cast<unsigned>(resid) > hdr.dxfer_len
                      ? 0
                      : std::min(cap, hdr.dxfer_len - static_cast<unsigned>(resid));
  const unsigned host = hdr.host_status;
  const unsigned driver = hdr.driver_status & 0x0F;
  if (r.sense_length > 0) {
    // The drive answered with sense data: whatever the host says, this is the drive's word.
    r.status = TransportStatus::kCompleted;
  } else if (host == kDidTimeOut || driver == kDriverTimeout) {
    r.status = TransportStatus::kTimedOut;
    r.reason = "The command timed out";
  } else if (host != kDidOk) {
    r.status = TransportStatus::kTransportError;
    r.reason = StrFormat("Transport failure: %s", HostStatusText(host));
  } else if (driver != 0 && hdr.status == 0) {
    r.status = TransportStatus::kTransportError;
    r.reason = StrFormat("Driver error %02xh without sense data", hdr.driver_status);
  } else {
    r.status = TransportStatus::kCompleted;
  }
  if (r.status != TransportStatus::kCompleted) r.transferred = 0;
  if (hdr.duration > 0) r.duration = std::chrono::milliseconds(hdr.duration);
  return r;
}

}  // namespace tamarack
