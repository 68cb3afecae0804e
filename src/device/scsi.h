// The vocabulary of one SCSI command as every layer above the platform sees it.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace tamarack {

// A CDB is always sent as 12 bytes; 6- and 10-byte commands carry trailing zeroes.
inline constexpr std::size_t kCdbSize = 12;
using Cdb = std::array<std::uint8_t, kCdbSize>;

// A pass-through command holds at most this many sense bytes: 8 header bytes and the
// largest additional sense length a drive may give (244).
inline constexpr std::size_t kSenseSize = 252;
using SenseBytes = std::array<std::uint8_t, kSenseSize>;

// Which way a command's data go. The numbers are the codes a user slot's direction has in the
// forms and in the settings file (0 none, 1 to the drive, 2 from the drive).
enum class DataDirection : std::uint8_t {
  kNone = 0,  // no data phase
  kOut = 1,   // data to the drive
  kIn = 2,    // data from the drive
};

// A stored direction code as a direction; an unknown code is no data phase.
constexpr DataDirection DirectionFromCode(std::uint32_t code) {
  return code == 1 ? DataDirection::kOut : code == 2 ? DataDirection::kIn : DataDirection::kNone;
}
constexpr std::uint32_t DirectionCode(DataDirection d) { return static_cast<std::uint32_t>(d); }

// The address a drive has on its bus. On Linux: host → port, channel → path id,
// id → target id, lun → LUN.
struct ScsiAddress {
  std::uint8_t port = 0;
  std::uint8_t path_id = 0;
  std::uint8_t target_id = 0;
  std::uint8_t lun = 0;
  bool operator==(const ScsiAddress&) const = default;
};

// One command as handed to a Transport. The buffer is owned by the caller and must stay
// valid for the duration of Execute(); for kIn it receives up to buffer.size() bytes, for
// kOut buffer.size() bytes are sent, for kNone it is ignored.
struct ScsiRequest {
  Cdb cdb{};
  std::span<std::uint8_t> buffer;
  DataDirection direction = DataDirection::kNone;
  std::uint32_t timeout_seconds = 7;
};

// How far a request got. Each step down the ladder means the one above it succeeded.
enum class TransportStatus {
  kRefused,         // the operating system refused the request (bad handle, EPERM, ...)
  kTimedOut,        // the request was sent but the time-out expired
  kTransportError,  // host adapter or driver error with no sense data (link reset, device gone)
  kCompleted,       // the drive answered: look at scsi_status and the sense bytes
};

// The whole outcome of one request, as a value.
struct ScsiResult {
  TransportStatus status = TransportStatus::kRefused;
  // The operating system's error number for kRefused (0 when there is none).
  int os_error = 0;
  // What happened, for every status but kCompleted: the operating system's text for
  // os_error, or a description of the host or driver error.
  std::string reason;
  // For a request refused for lack of rights: what the user can do about it (may be empty).
  std::string advice;
  // Bytes really moved; for kRefused the requested count, as the request still holds it.
  std::uint32_t transferred = 0;
  std::uint8_t scsi_status = 0;
  SenseBytes sense{};
  std::uint8_t sense_length = 0;  // bytes of `sense` the drive actually filled
  std::chrono::microseconds duration{0};
};

}  // namespace tamarack
