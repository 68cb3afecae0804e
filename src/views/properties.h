// The Properties tab: the drive's Inquiry data, its feature list (Get Configuration) and the
// capability bits of Mode Sense page 2Ah, each read by a command of its own. A section whose
// command fails shows the one row "Not Supported"; the other sections are still filled.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "decode/inquiry.h"
#include "decode/text_conventions.h"
#include "device/device_session.h"
#include "form/decoder.h"

namespace tamarack {

inline constexpr const char* kNotSupportedText = "Not Supported";
// The icon of a row that has none ("Not Supported").
inline constexpr int kNoIcon = -1;
// Bytes each of the three requests asks for (and the zero-filled buffer it reads into).
inline constexpr std::size_t kPropertiesRequestLength = 255;
// The copy of the Inquiry data the tab keeps as the current command data.
inline constexpr std::size_t kPropertiesInquiryCopy = 260;

// The capability list's columns: an unnamed icon column of 30 and "Items" of 200.
std::vector<ListColumn> CapabilityListColumns();

// One row per capability bit of Mode Sense page 2Ah, in the tab's order: cells "" and the
// name, icon 13 when the bit is set and 14 when it is clear. `page` starts at the page code;
// bits past its end read as clear.
std::vector<DecodedRow> CapabilityRows(std::span<const std::uint8_t> page);

// One of the tab's three requests as it went.
struct PropertiesRequest {
  Cdb cdb{};
  CommandOutcome outcome;
  // The bytes returned (at most 255; the transferred count as reported, bounded).
  std::vector<std::uint8_t> reply;
  bool Succeeded() const { return outcome.status == CommandStatus::kGood; }
};

struct PropertiesResult {
  bool opened = false;  // false: no drive, nothing was sent and every list stays empty
  PropertiesRequest inquiry, configuration, mode_sense;
  std::vector<DecodedRow> inquiry_rows;
  std::vector<DecodedRow> feature_rows;
  // Nothing: the capability list is left as it is (the reply held another page).
  std::optional<std::vector<DecodedRow>> capability_rows;
  // The saved Inquiry identity, when Inquiry succeeded.
  std::optional<InquiryIdentity> identity;
  // The Inquiry data as the current command data (up to 260 bytes).
  std::vector<std::uint8_t> inquiry_data;
};

// Runs Inquiry (12h, 255 bytes), Get Configuration (46h, requested type 0, starting feature
// 0, 255 bytes) and Mode Sense(10) of page 2Ah (5Ah, current values, 255 bytes) on the
// session's drive, each into a zero-filled buffer, and decodes the three sections. A request
// counts as failed when it is refused or ends with sense data (or a bad status without).
PropertiesResult ReadDriveProperties(DeviceSession& session);

}  // namespace tamarack
