// The sense codes the virtual drive reports, by name, and the one builder of its fixed-format
// sense data.
#pragma once

#include <cstdint>
#include <optional>

#include "device/scsi.h"

namespace tamarack::emu {

struct SenseCode {
  std::uint8_t key = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;
  bool operator==(const SenseCode&) const = default;
  bool ok() const { return key == 0 && asc == 0 && ascq == 0; }
};

inline constexpr SenseCode kNoSense{0x0, 0x00, 0x00};
inline constexpr SenseCode kNotReadyBecomingReady{0x2, 0x04, 0x01};
inline constexpr SenseCode kNoMediumTrayClosed{0x2, 0x3A, 0x01};
inline constexpr SenseCode kNoMediumTrayOpen{0x2, 0x3A, 0x02};
inline constexpr SenseCode kUnrecoveredReadError{0x3, 0x11, 0x00};
inline constexpr SenseCode kParameterListLengthError{0x5, 0x1A, 0x00};
inline constexpr SenseCode kInvalidOpcode{0x5, 0x20, 0x00};
inline constexpr SenseCode kLbaOutOfRange{0x5, 0x21, 0x00};
inline constexpr SenseCode kInvalidFieldInCdb{0x5, 0x24, 0x00};
inline constexpr SenseCode kInvalidFieldInParameterList{0x5, 0x26, 0x00};
inline constexpr SenseCode kCommandSequenceError{0x5, 0x2C, 0x00};
inline constexpr SenseCode kIncompatibleMediumFormat{0x5, 0x30, 0x02};
inline constexpr SenseCode kSavingNotSupported{0x5, 0x39, 0x00};
inline constexpr SenseCode kMediumRemovalPrevented{0x5, 0x53, 0x02};
inline constexpr SenseCode kIllegalModeForThisTrack{0x5, 0x64, 0x00};
inline constexpr SenseCode kMediumMayHaveChanged{0x6, 0x28, 0x00};
inline constexpr SenseCode kPowerOnOccurred{0x6, 0x29, 0x00};

// Fixed-format sense data are 18 bytes: 8 bytes of header and 10 additional bytes.
inline constexpr std::uint8_t kFixedSenseLength = 18;

// Current-error fixed-format sense data (response code 70h) for `code`. With `information`
// the VALID bit is set and bytes 3-6 carry it (the failing block of a read).
SenseBytes BuildFixedSense(SenseCode code, std::optional<std::uint32_t> information = {});

}  // namespace tamarack::emu
