#include "device/windows/spti_request.h"

#include <algorithm>

namespace tamarack {

std::size_t SptdTransferLength(const ScsiRequest& request) {
  if (request.direction == DataDirection::kNone) return 0;
  return std::min(request.buffer.size(), kMaxSptdTransfer);
}

std::size_t SptdAlignment(std::uint32_t alignment_mask) {
  std::size_t alignment = sizeof(void*);
  while (alignment < std::size_t{alignment_mask} + 1) alignment <<= 1;
  return alignment;
}

bool SptdUsesCallersBuffer(const ScsiRequest& request, std::uint32_t alignment_mask) {
  if (SptdTransferLength(request) == 0) return false;
  return reinterpret_cast<std::uintptr_t>(request.buffer.data()) % SptdAlignment(alignment_mask) ==
         0;
}

SptdFields BuildSptdRequest(const ScsiRequest& request, std::span<std::uint8_t> data) {
  SptdFields f;
  f.cdb = request.cdb;
  f.cdb_length = static_cast<std::uint8_t>(kCdbSize);
  f.sense_info_length = static_cast<std::uint8_t>(kSenseSize);
  const std::size_t length = std::min(SptdTransferLength(request), data.size());
  f.data_transfer_length = static_cast<std::uint32_t>(length);
  f.data = length > 0 ? data.data() : nullptr;
  if (length == 0) {
    f.data_in = kSptdNoData;
  } else {
    f.data_in = request.direction == DataDirection::kOut ? kSptdDataOut : kSptdDataIn;
  }
  f.timeout_seconds = std::max<std::uint32_t>(request.timeout_seconds, 1);
  return f;
}

ScsiResult InterpretSptdResult(const SptdReply& reply, std::size_t requested) {
  ScsiResult r;
  const auto cap = static_cast<std::uint32_t>(std::min(requested, kMaxSptdTransfer));
  if (!reply.ioctl_succeeded) {
    r.os_error = static_cast<int>(reply.error);
    r.reason = reply.error_text;
    if (reply.error == kErrorSemTimeout || reply.error == kErrorTimeout) {
      r.status = TransportStatus::kTimedOut;
      r.reason = "The command timed out";
    } else if (reply.error == kErrorIoDevice) {
      r.status = TransportStatus::kTransportError;
      r.reason = "Transport failure: " + reply.error_text;
    } else {
      r.status = TransportStatus::kRefused;
      r.transferred = cap;
    }
    return r;
  }
  r.status = TransportStatus::kCompleted;
  r.scsi_status = reply.scsi_status;
  r.sense_length = std::min<std::uint8_t>(reply.sense_info_length, kSenseSize);
  r.sense = reply.sense;
  r.transferred = std::min(cap, reply.data_transfer_length);
  return r;
}

std::vector<std::string> OpticalDriveLetters(DriveLetterCalls& calls) {
  std::vector<std::string> letters;
  const std::uint32_t mask = calls.LogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((mask & (std::uint32_t{1} << i)) == 0) continue;
    const std::string letter = {static_cast<char>('A' + i), ':'};
    if (calls.DriveType(letter + "\\") == kDriveCdrom) letters.push_back(letter);
  }
  return letters;
}

std::string DriveLetterOf(std::string_view id) {
  if (id.size() < 2 || id.size() > 3 || id[1] != ':') return "";
  if (id.size() == 3 && id[2] != '\\' && id[2] != '/') return "";
  const char c = id[0];
  if (c >= 'a' && c <= 'z') return {static_cast<char>(c - 'a' + 'A'), ':'};
  if (c >= 'A' && c <= 'Z') return {c, ':'};
  return "";
}

std::string DevicePathOfLetter(const std::string& letter) { return "\\\\.\\" + letter; }

}  // namespace tamarack
