// The one table of the MMC and SPC commands this program knows: each opcode's name, CDB length,
// the way its data go and where its CDB says how many bytes move. The virtual drive's dispatch,
// the pass-through paths' direction and the builders of src/mmc read their facts from here.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "device/scsi.h"

namespace tamarack::mmc {

inline constexpr std::uint8_t kTestUnitReady = 0x00;
inline constexpr std::uint8_t kRequestSense = 0x03;
inline constexpr std::uint8_t kFormatUnit = 0x04;
inline constexpr std::uint8_t kWrite6 = 0x0A;
inline constexpr std::uint8_t kInquiry = 0x12;
inline constexpr std::uint8_t kModeSelect6 = 0x15;
inline constexpr std::uint8_t kModeSense6 = 0x1A;
inline constexpr std::uint8_t kStartStopUnit = 0x1B;
inline constexpr std::uint8_t kSendDiagnostic = 0x1D;
inline constexpr std::uint8_t kPreventAllowMediumRemoval = 0x1E;
inline constexpr std::uint8_t kReadFormatCapacities = 0x23;
inline constexpr std::uint8_t kReadCapacity = 0x25;
inline constexpr std::uint8_t kRead10 = 0x28;
inline constexpr std::uint8_t kWrite10 = 0x2A;
inline constexpr std::uint8_t kSeek10 = 0x2B;
inline constexpr std::uint8_t kWriteAndVerify10 = 0x2E;
inline constexpr std::uint8_t kWriteBuffer = 0x3B;
inline constexpr std::uint8_t kWriteLong = 0x3F;
inline constexpr std::uint8_t kReadSubChannel = 0x42;
inline constexpr std::uint8_t kReadToc = 0x43;
inline constexpr std::uint8_t kPlayAudio10 = 0x45;
inline constexpr std::uint8_t kGetConfiguration = 0x46;
inline constexpr std::uint8_t kPlayAudioMsf = 0x47;
inline constexpr std::uint8_t kGetEventStatusNotification = 0x4A;
inline constexpr std::uint8_t kPauseResume = 0x4B;
inline constexpr std::uint8_t kLogSelect = 0x4C;
inline constexpr std::uint8_t kStopPlayScan = 0x4E;
inline constexpr std::uint8_t kReadDiscInformation = 0x51;
inline constexpr std::uint8_t kReadTrackInformation = 0x52;
inline constexpr std::uint8_t kSendOpcInformation = 0x54;
inline constexpr std::uint8_t kModeSelect10 = 0x55;
inline constexpr std::uint8_t kModeSense10 = 0x5A;
inline constexpr std::uint8_t kSendCueSheet = 0x5D;
inline constexpr std::uint8_t kWrite16 = 0x8A;
inline constexpr std::uint8_t kWriteAndVerify16 = 0x8E;
inline constexpr std::uint8_t kSendEvent = 0xA2;
inline constexpr std::uint8_t kSendKey = 0xA3;
inline constexpr std::uint8_t kReportKey = 0xA4;
inline constexpr std::uint8_t kLoadUnloadMedium = 0xA6;
inline constexpr std::uint8_t kRead12 = 0xA8;
inline constexpr std::uint8_t kWrite12 = 0xAA;
inline constexpr std::uint8_t kReadDiscStructure = 0xAD;
inline constexpr std::uint8_t kWriteAndVerify12 = 0xAE;
inline constexpr std::uint8_t kSetStreaming = 0xB6;
inline constexpr std::uint8_t kReadCdMsf = 0xB9;
inline constexpr std::uint8_t kScan = 0xBA;
inline constexpr std::uint8_t kSetCdSpeed = 0xBB;
inline constexpr std::uint8_t kMechanismStatus = 0xBD;
inline constexpr std::uint8_t kReadCd = 0xBE;
inline constexpr std::uint8_t kSendDiscStructure = 0xBF;

// One command's facts. `direction` is the way its data go when it moves any (kNone: it moves
// none). The length field is the allocation length of a data-in command or the parameter list
// length of a data-out one, big-endian, `length_size` bytes at `length_at` (size 0: none).
struct OpcodeInfo {
  std::uint8_t opcode;
  const char* name;
  std::uint8_t cdb_length;
  DataDirection direction;
  std::uint8_t length_at = 0;
  std::uint8_t length_size = 0;
  std::uint8_t reply_length = 0;  // a data-in command without a length field: its fixed reply
};

namespace detail {
constexpr DataDirection kNo = DataDirection::kNone;
constexpr DataDirection kIn = DataDirection::kIn;
constexpr DataDirection kOut = DataDirection::kOut;
}  // namespace detail

// Sorted by opcode.
inline constexpr std::array kOpcodeTable = {
    OpcodeInfo{kTestUnitReady, "Test Unit Ready", 6, detail::kNo},
    OpcodeInfo{kRequestSense, "Request Sense", 6, detail::kIn, 4, 1},
    OpcodeInfo{kFormatUnit, "Format Unit", 6, detail::kOut},
    OpcodeInfo{kWrite6, "Write(6)", 6, detail::kOut},
    OpcodeInfo{kInquiry, "Inquiry", 6, detail::kIn, 3, 2},
    OpcodeInfo{kModeSelect6, "Mode Select(6)", 6, detail::kOut, 4, 1},
    OpcodeInfo{kModeSense6, "Mode Sense(6)", 6, detail::kIn, 4, 1},
    OpcodeInfo{kStartStopUnit, "Start Stop Unit", 6, detail::kNo},
    OpcodeInfo{kSendDiagnostic, "Send Diagnostic", 6, detail::kOut},
    OpcodeInfo{kPreventAllowMediumRemoval, "Prevent/Allow Medium Removal", 6, detail::kNo},
    OpcodeInfo{kReadFormatCapacities, "Read Format Capacities", 10, detail::kIn, 7, 2},
    OpcodeInfo{kReadCapacity, "Read Capacity", 10, detail::kIn, 0, 0, 8},
    OpcodeInfo{kRead10, "Read(10)", 10, detail::kIn},
    OpcodeInfo{kWrite10, "Write(10)", 10, detail::kOut},
    OpcodeInfo{kSeek10, "Seek(10)", 10, detail::kNo},
    OpcodeInfo{kWriteAndVerify10, "Write and Verify(10)", 10, detail::kOut},
    OpcodeInfo{kWriteBuffer, "Write Buffer", 10, detail::kOut},
    OpcodeInfo{kWriteLong, "Write Long", 10, detail::kOut},
    OpcodeInfo{kReadSubChannel, "Read Sub-Channel", 10, detail::kIn, 7, 2},
    OpcodeInfo{kReadToc, "Read TOC/PMA/ATIP", 10, detail::kIn, 7, 2},
    OpcodeInfo{kPlayAudio10, "Play Audio(10)", 10, detail::kNo},
    OpcodeInfo{kGetConfiguration, "Get Configuration", 10, detail::kIn, 7, 2},
    OpcodeInfo{kPlayAudioMsf, "Play Audio MSF", 10, detail::kNo},
    OpcodeInfo{kGetEventStatusNotification, "Get Event/Status Notification", 10, detail::kIn, 7, 2},
    OpcodeInfo{kPauseResume, "Pause/Resume", 10, detail::kNo},
    OpcodeInfo{kLogSelect, "Log Select", 10, detail::kOut},
    OpcodeInfo{kStopPlayScan, "Stop Play/Scan", 10, detail::kNo},
    OpcodeInfo{kReadDiscInformation, "Read Disc Information", 10, detail::kIn, 7, 2},
    OpcodeInfo{kReadTrackInformation, "Read Track Information", 10, detail::kIn, 7, 2},
    OpcodeInfo{kSendOpcInformation, "Send OPC Information", 10, detail::kOut},
    OpcodeInfo{kModeSelect10, "Mode Select(10)", 10, detail::kOut, 7, 2},
    OpcodeInfo{kModeSense10, "Mode Sense(10)", 10, detail::kIn, 7, 2},
    OpcodeInfo{kSendCueSheet, "Send Cue Sheet", 10, detail::kOut},
    OpcodeInfo{kWrite16, "Write(16)", 16, detail::kOut},
    OpcodeInfo{kWriteAndVerify16, "Write and Verify(16)", 16, detail::kOut},
    OpcodeInfo{kSendEvent, "Send Event", 12, detail::kOut, 8, 2},
    OpcodeInfo{kSendKey, "Send Key", 12, detail::kOut},
    OpcodeInfo{kReportKey, "Report Key", 12, detail::kIn, 8, 2},
    OpcodeInfo{kLoadUnloadMedium, "Load/Unload Medium", 12, detail::kNo},
    OpcodeInfo{kRead12, "Read(12)", 12, detail::kIn},
    OpcodeInfo{kWrite12, "Write(12)", 12, detail::kOut},
    OpcodeInfo{kReadDiscStructure, "Read Disc Structure", 12, detail::kIn, 8, 2},
    OpcodeInfo{kWriteAndVerify12, "Write and Verify(12)", 12, detail::kOut},
    OpcodeInfo{kSetStreaming, "Set Streaming", 12, detail::kOut},
    OpcodeInfo{kReadCdMsf, "Read CD MSF", 12, detail::kIn},
    OpcodeInfo{kScan, "Scan", 12, detail::kNo},
    OpcodeInfo{kSetCdSpeed, "Set CD Speed", 12, detail::kNo},
    OpcodeInfo{kMechanismStatus, "Mechanism Status", 12, detail::kIn, 8, 2},
    OpcodeInfo{kReadCd, "Read CD", 12, detail::kIn},
    OpcodeInfo{kSendDiscStructure, "Send Disc Structure", 12, detail::kOut},
};
static_assert(std::is_sorted(kOpcodeTable.begin(), kOpcodeTable.end(),
                             [](const OpcodeInfo& a, const OpcodeInfo& b) {
                               return a.opcode < b.opcode;
                             }));

// The row of `opcode`, or null for one the table does not hold. Usable at compile time, so
// other tables can take their facts from it.
constexpr const OpcodeInfo* FindOpcode(std::uint8_t opcode) {
  const auto* it =
      std::lower_bound(kOpcodeTable.begin(), kOpcodeTable.end(), opcode,
                       [](const OpcodeInfo& row, std::uint8_t op) { return row.opcode < op; });
  return it != kOpcodeTable.end() && it->opcode == opcode ? &*it : nullptr;
}

// The row of an opcode the table must hold (a compile-time error otherwise).
consteval const OpcodeInfo& OpcodeRow(std::uint8_t opcode) { return *FindOpcode(opcode); }

// The value of a command's length field, or nothing for a command without one.
std::optional<std::uint32_t> LengthField(const Cdb& cdb);

}  // namespace tamarack::mmc
