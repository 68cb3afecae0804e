// Building the Linux SG_IO request for one command and reading its outcome back. Pure
// functions, so the request can be checked without a device.
#pragma once

#include <scsi/sg.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "device/scsi.h"

namespace tamarack {

// Storage the request points into; must outlive the ioctl.
struct SgIoBuffers {
  Cdb cdb{};
  SenseBytes sense{};
};

// The largest data phase one request may carry: the kernel's 32-bit length, in whole 512-byte
// units.
inline constexpr std::size_t kMaxSgIoTransfer = 0xFFFFFE00u;
// The unit of data-in lengths the kernel maps without a bounce copy (libata's ATAPI DMA
// alignment).
inline constexpr std::size_t kSgIoUnit = 512;

// Bytes of the data phase of `request` (at most kMaxSgIoTransfer). Data in is rounded up to
// whole 512-byte units: only a page-aligned buffer of such a length is mapped by the kernel
// for the drive to write into directly, so that bytes the drive does not send keep what the
// caller put there; any other buffer is bounced through a zeroed copy. The drive still sends
// no more than its CDB asks for. Data out goes at its own length, since the drive takes
// exactly its parameter list. No direction or no bytes: 0, and the request has no data phase.
inline std::size_t SgIoTransferLength(const ScsiRequest& request) {
  const std::size_t size =
      request.buffer.size() < kMaxSgIoTransfer ? request.buffer.size() : kMaxSgIoTransfer;
  switch (request.direction) {
    case DataDirection::kNone:
      return 0;
    case DataDirection::kOut:
      return size;
    case DataDirection::kIn:
      break;
  }
  return (size + kSgIoUnit - 1) / kSgIoUnit * kSgIoUnit;
}

// True when `request`'s own buffer can carry its data phase: it starts on a page boundary and its
// size is already the transfer length (no rounding up). The kernel maps such a buffer for the
// drive just as it maps the staging buffer, so the copies in and out are saved.
inline bool SgIoUsesCallersBuffer(const ScsiRequest& request, std::size_t page_size) {
  const std::size_t size = request.buffer.size();
  if (size == 0 || page_size == 0 || SgIoTransferLength(request) != size) return false;
  return reinterpret_cast<std::uintptr_t>(request.buffer.data()) % page_size == 0;
}

// Bytes to allocate for a page-aligned staging buffer of at least `length` bytes: whole pages.
std::size_t SgIoStagingCapacity(std::size_t length, std::size_t page_size);

// Fills an sg_io_hdr for `request`: 12-byte CDB, 24-byte sense area, the time-out in
// milliseconds, and a data phase of SgIoTransferLength(request) bytes through `staging`
// (which holds at least that many: the request's own buffer, or one the caller copies the
// request's bytes in and out of). A
// request without data bytes goes as SG_DXFER_NONE, as the kernel wants.
sg_io_hdr_t BuildSgIoRequest(const ScsiRequest& request, std::span<std::uint8_t> staging,
                             SgIoBuffers* buffers);

// Classifies a finished request. `ioctl_errno` is 0 when the ioctl call itself succeeded.
// Host or driver errors without sense data are transport failures, not successes. The
// transferred count never exceeds `requested`, the bytes of the caller's buffer (the data
// phase may be longer, and libata reports it whole).
ScsiResult InterpretSgIoResult(const sg_io_hdr_t& hdr, const SgIoBuffers& buffers, int ioctl_errno,
                               std::size_t requested);

// The operating system's text for an error number.
std::string OsErrorText(int error);

}  // namespace tamarack
