#include "device/windows/spti_transport.h"

#include <windows.h>
// After windows.h, which they need.
#include <ntddscsi.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "device/clock.h"
#include "device/platform_drives.h"
#include "device/windows/spti_request.h"
#include "platform/env.h"
#include "platform/windows/system_error_text.h"

namespace tamarack {

static_assert(SCSI_IOCTL_DATA_OUT == kSptdDataOut && SCSI_IOCTL_DATA_IN == kSptdDataIn &&
              SCSI_IOCTL_DATA_UNSPECIFIED == kSptdNoData);
static_assert(DRIVE_CDROM == kDriveCdrom);
static_assert(ERROR_ACCESS_DENIED == kErrorAccessDenied && ERROR_SEM_TIMEOUT == kErrorSemTimeout &&
              ERROR_IO_DEVICE == kErrorIoDevice && ERROR_TIMEOUT == kErrorTimeout);

namespace {

// The request with its sense area behind it, as the ioctl wants them in one block.
struct SptdWithSense {
  SCSI_PASS_THROUGH_DIRECT sptd;
  ULONG filler;  // keeps the sense area aligned
  UCHAR sense[kSenseSize];
};

// The adapter's AlignmentMask; 0 (any address) when the adapter does not say.
std::uint32_t AlignmentMaskOf(HANDLE h) {
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageAdapterProperty;
  query.QueryType = PropertyStandardQuery;
  STORAGE_ADAPTER_DESCRIPTOR descriptor{};
  DWORD returned = 0;
  if (!::DeviceIoControl(h, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &descriptor,
                         sizeof descriptor, &returned, nullptr) ||
      returned < offsetof(STORAGE_ADAPTER_DESCRIPTOR, AlignmentMask) + sizeof(ULONG)) {
    return 0;
  }
  return descriptor.AlignmentMask;
}

// A request refused before it reached the system (too long, or no memory to stage it).
ScsiResult RefusedHere(DWORD error, std::size_t size) {
  ScsiResult r;
  r.status = TransportStatus::kRefused;
  r.os_error = static_cast<int>(error);
  r.reason = SystemErrorText(error);
  r.transferred = static_cast<std::uint32_t>(std::min(size, kMaxSptdTransfer));
  return r;
}

}  // namespace

OpenResult SptiTransport::Open(const std::string& letter) {
  OpenResult result;
  const std::string path = DevicePathOfLetter(letter);
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
  bool writable = true;
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
    writable = false;
    h = ::CreateFileA(path.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    result.os_error = static_cast<int>(error);
    result.error = letter + ": " + SystemErrorText(error);
    return result;
  }
  result.transport.reset(new SptiTransport(h, letter, writable, AlignmentMaskOf(h)));
  return result;
}

SptiTransport::SptiTransport(void* handle, std::string letter, bool writable,
                             std::uint32_t alignment_mask)
    : handle_(handle),
      letter_(std::move(letter)),
      writable_(writable),
      alignment_mask_(alignment_mask) {}

SptiTransport::~SptiTransport() {
  ::CloseHandle(handle_);
  if (staging_) Env::Default().FreeAligned(staging_);
}

bool SptiTransport::ReserveStaging(std::size_t length) {
  if (length <= staging_capacity_) return true;
  const std::size_t alignment = SptdAlignment(alignment_mask_);
  const std::size_t capacity = (length + alignment - 1) / alignment * alignment;
  void* p = Env::Default().AllocateAligned(alignment, capacity, false);
  if (!p) return false;
  if (staging_) Env::Default().FreeAligned(staging_);
  staging_ = static_cast<std::uint8_t*>(p);
  staging_capacity_ = capacity;
  return true;
}

ScsiResult SptiTransport::Execute(const ScsiRequest& request) {
  const std::size_t size = request.buffer.size();
  const std::size_t length = SptdTransferLength(request);
  const bool direct = SptdUsesCallersBuffer(request, alignment_mask_);
  if (size > kMaxSptdTransfer || (length > 0 && !direct && !ReserveStaging(length))) {
    return RefusedHere(size > kMaxSptdTransfer ? ERROR_INVALID_PARAMETER : ERROR_OUTOFMEMORY, size);
  }
  const std::span<std::uint8_t> data =
      direct ? request.buffer : std::span<std::uint8_t>(staging_, length);
  // The caller's bytes go in for data in too: they are what an unsent tail keeps.
  if (!direct && length > 0) std::memcpy(data.data(), request.buffer.data(), length);
  const SptdFields f = BuildSptdRequest(request, data);
  SptdWithSense block{};
  block.sptd.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
  block.sptd.CdbLength = f.cdb_length;
  block.sptd.SenseInfoLength = f.sense_info_length;
  block.sptd.DataIn = f.data_in;
  block.sptd.DataTransferLength = f.data_transfer_length;
  block.sptd.TimeOutValue = f.timeout_seconds;
  block.sptd.DataBuffer = f.data;
  block.sptd.SenseInfoOffset = offsetof(SptdWithSense, sense);
  std::memcpy(block.sptd.Cdb, f.cdb.data(), f.cdb.size());
  DWORD returned = 0;
  const Clock::Duration start = MonotonicNow();
  const BOOL ok = ::DeviceIoControl(handle_, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof block,
                                    &block, sizeof block, &returned, nullptr);
  SptdReply reply;
  reply.ioctl_succeeded = ok != 0;
  if (!ok) {
    reply.error = ::GetLastError();
    reply.error_text = SystemErrorText(reply.error);
  }
  const Clock::Duration end = MonotonicNow();
  reply.scsi_status = block.sptd.ScsiStatus;
  reply.sense_info_length = block.sptd.SenseInfoLength;
  reply.data_transfer_length = block.sptd.DataTransferLength;
  std::memcpy(reply.sense.data(), block.sense, kSenseSize);
  if (!direct && request.direction == DataDirection::kIn && length > 0) {
    std::memcpy(request.buffer.data(), data.data(), length);
  }
  ScsiResult r = InterpretSptdResult(reply, size);
  if (!ok && reply.error == ERROR_ACCESS_DENIED && !writable_) {
    r.advice = "the drive was opened read-only: run tamarack-cli as an administrator";
  }
  r.duration = std::chrono::duration_cast<std::chrono::microseconds>(end - start);
  return r;
}

bool SptiTransport::GetAddress(ScsiAddress* address) {
  SCSI_ADDRESS a{};
  a.Length = sizeof a;
  DWORD returned = 0;
  if (!::DeviceIoControl(handle_, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &a, sizeof a, &returned,
                         nullptr)) {
    return false;
  }
  address->port = a.PortNumber;
  address->path_id = a.PathId;
  address->target_id = a.TargetId;
  address->lun = a.Lun;
  return true;
}

std::string SptiTransport::SystemVolumeLabel() const {
  char label[MAX_PATH + 1] = {};
  const std::string root = letter_ + "\\";
  if (!::GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr,
                               nullptr, 0)) {
    return "";
  }
  return label;
}

namespace {

class SystemDriveLetterCalls final : public DriveLetterCalls {
 public:
  std::uint32_t LogicalDrives() override { return ::GetLogicalDrives(); }
  unsigned DriveType(const std::string& root) override { return ::GetDriveTypeA(root.c_str()); }
};

}  // namespace

std::vector<std::string> SptiDriveProvider::ListDrives() {
  SystemDriveLetterCalls calls;
  return OpticalDriveLetters(calls);
}

bool SptiDriveProvider::Handles(std::string_view id) const { return !DriveLetterOf(id).empty(); }

OpenResult SptiDriveProvider::Open(std::string_view id) {
  return SptiTransport::Open(DriveLetterOf(id));
}

std::unique_ptr<DriveProvider> MakePlatformDriveProvider() {
  if (!PlatformDrivesEnabled()) return nullptr;
  return std::make_unique<SptiDriveProvider>();
}

}  // namespace tamarack
