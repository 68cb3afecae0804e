// What every decoder shares: bit fields, the two description tables, big-endian readers and
// writers, the number formats and the section banners of the decoded text.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "util/bytes.h"

namespace tamarack {

// The low `width` bits (1 to 8) of `value`, most significant first: "On"/"Off" for width 1,
// else the binary digits and "b" (width 3 of 5 gives "101b").
std::string FormatBits(std::uint32_t value, int width);

// Description tables: 0 peripheral device types, 1 Inquiry version byte. "Undefine" when the
// table or the value is missing.
inline constexpr std::uint32_t kPeripheralDeviceTypeTable = 0;
inline constexpr std::uint32_t kInquiryVersionTable = 1;
std::string LookupDescription(std::uint32_t table, std::uint32_t value);

// Big-endian readers at `offset` (bytes past the end read as zero) and the 28-bit reader that
// drops the upper four bits of the first byte (logical block address fields of the forms).
inline std::uint32_t ReadBe28(std::span<const std::uint8_t> b, std::size_t offset) {
  return ReadBe32(b, offset) & 0x0FFFFFFFu;
}

// "%02d", used by the M, S and F boxes of MSF fields.
std::string FormatTwoDigits(int value);

// Section banners of the decoded text.
inline constexpr const char* kHeaderBanner = "----------------Header---------------------\r\n";
inline constexpr const char* kDumpBanner = "----------------Dump---------------------\r\n";
// (The Data banner, kDataBanner, is in form/decoder.h with the decoder types.)
inline constexpr const char* kMechanismStatusBanner =
    "----------------Mechanism Status----------------\r\n";
inline constexpr const char* kSlotTableBanner =
    "----------------Slot Table Response----------------\r\n";
// The Get Event/Status Notification header, with the data length.
std::string EventHeaderBanner(std::uint32_t data_length);

// Icons of the Inquiry list and the capability list.
inline constexpr int kIconFlag = 0;
inline constexpr int kIconNumber = 1;
inline constexpr int kIconText = 3;
inline constexpr int kIconPresent = 13;
inline constexpr int kIconAbsent = 14;

}  // namespace tamarack
