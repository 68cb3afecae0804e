// Building the Windows SCSI pass-through (IOCTL_SCSI_PASS_THROUGH_DIRECT) request for one
// command and reading its outcome back, and finding the drive letters of CD/DVD drives. Pure
// functions over plain values (no Windows header), so that they are checked on every platform;
// spti_transport.cc copies them into the system's structures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/scsi.h"

namespace tamarack {

// SCSI_PASS_THROUGH_DIRECT's DataIn values.
inline constexpr std::uint8_t kSptdDataOut = 0;
inline constexpr std::uint8_t kSptdDataIn = 1;
inline constexpr std::uint8_t kSptdNoData = 2;
// The largest data phase: the structure's 32-bit length.
inline constexpr std::size_t kMaxSptdTransfer = 0xFFFFFFFFu;

// The fields of SCSI_PASS_THROUGH_DIRECT a request sets.
struct SptdFields {
  std::uint8_t cdb_length = 0;
  std::uint8_t sense_info_length = 0;
  std::uint8_t data_in = kSptdNoData;
  std::uint32_t data_transfer_length = 0;
  std::uint32_t timeout_seconds = 0;
  std::uint8_t* data = nullptr;
  Cdb cdb{};
};

// Bytes of the data phase of `request`: the caller's buffer as it is (the drive sends no more
// than its CDB asks for, and the port driver reports what it sent); 0 for no direction.
std::size_t SptdTransferLength(const ScsiRequest& request);

// The alignment a data buffer needs for an adapter's AlignmentMask (STORAGE_ADAPTER_DESCRIPTOR):
// mask + 1, as a power of two, and never less than a pointer's.
std::size_t SptdAlignment(std::uint32_t alignment_mask);

// True when the caller's own buffer can carry the data phase: it starts on the adapter's
// alignment. Otherwise the transport stages the bytes through an aligned buffer of its own.
bool SptdUsesCallersBuffer(const ScsiRequest& request, std::uint32_t alignment_mask);

// The request's fields: its CDB, room for the whole sense area, the time-out in seconds
// (at least 1: 0 is no time-out for some port drivers), and a data phase of
// SptdTransferLength(request) bytes through `data` (the caller's buffer or the staging one).
SptdFields BuildSptdRequest(const ScsiRequest& request, std::span<std::uint8_t> data);

// What the system gave back.
struct SptdReply {
  bool ioctl_succeeded = false;
  std::uint32_t error = 0;       // GetLastError when the ioctl failed
  std::string error_text;        // FormatMessageA's text for it
  std::uint8_t scsi_status = 0;  // ScsiStatus
  std::uint8_t sense_info_length = 0;
  std::uint32_t data_transfer_length = 0;  // what the port driver says it moved
  SenseBytes sense{};
};

// Win32 errors the outcome tells apart.
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorSemTimeout = 121;
inline constexpr std::uint32_t kErrorIoDevice = 1117;
inline constexpr std::uint32_t kErrorTimeout = 1460;

// Classifies a finished request as the Linux path does: a failed ioctl that never reached the
// drive is refused (with the system's text), a time-out is one, a device error without sense
// data is a transport failure; sense data are the drive's word whatever else is said. The
// transferred count is what the driver reports, never more than `requested` (the caller's
// bytes), and 0 for anything but a completed command.
ScsiResult InterpretSptdResult(const SptdReply& reply, std::size_t requested);

// The drive letters of CD/DVD drives, "D:" ..., from the system's bit mask of logical drives
// (bit 0 is A:) and the type of each root ("D:\"): DRIVE_CDROM is 5.
inline constexpr unsigned kDriveCdrom = 5;
class DriveLetterCalls {
 public:
  virtual ~DriveLetterCalls() = default;
  virtual std::uint32_t LogicalDrives() = 0;                // GetLogicalDrives
  virtual unsigned DriveType(const std::string& root) = 0;  // GetDriveTypeA
};
std::vector<std::string> OpticalDriveLetters(DriveLetterCalls& calls);

// "D:" for a drive id naming a drive letter ("d:", "D:\" too); "" for any other id.
std::string DriveLetterOf(std::string_view id);

// The path CreateFileA opens a drive by: "\\.\D:".
std::string DevicePathOfLetter(const std::string& letter);

}  // namespace tamarack
