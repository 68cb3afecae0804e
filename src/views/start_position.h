// The start position row of the read and play forms: four quick-set buttons and the track
// box beside an address box (LBA variant), or beside the "Starting MSF" and "Ending MSF"
// boxes (MSF variant). The actions compute new field states; the window hands them to the
// console, which collects the form again.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device/device_session.h"
#include "form/form_layout.h"
#include "mmc/drive_selection.h"
#include "util/msf.h"

namespace tamarack {

// The four buttons, left to right.
enum class QuickSet : std::uint8_t {
  kFirst,    // address 0
  kBack,     // one block (frame) back, not before 0
  kForward,  // one block (frame) on
  kLast,     // the last LBA a Read CD-ROM Capacity request reports
};

struct StartPositionRow {
  enum class Variant : std::uint8_t { kNone, kLba, kMsf };
  Variant variant = Variant::kNone;
  // LBA: the address field. MSF: the "Starting MSF" field; "Ending MSF" is the next one.
  std::size_t field = 0;
};

// Where a form has its start position row: the first start position field, or else a
// "Starting MSF" field followed by an "Ending MSF" field.
StartPositionRow FindStartPosition(std::span<const FieldDescriptor> fields);

// A field's new state.
struct FieldUpdate {
  std::size_t index = 0;
  FieldState state;
};

// A quick-set button. `last_lba` is used by kLast only (nothing changes without it). The MSF
// variant keeps the range length: start and end move together.
std::vector<FieldUpdate> QuickSetUpdates(std::span<const FieldDescriptor> fields,
                                         std::span<const FieldState> states, QuickSet button,
                                         bool hex, std::optional<std::uint32_t> last_lba);

// A track chosen in the track box. LBA variant: the track's start. MSF variant: start = the
// track's start; end = the next track's start - 1 (the disc's end after the last track) when
// `end_at_next_track` (Play Audio MSF), else start + the range length.
std::vector<FieldUpdate> TrackUpdates(std::span<const FieldDescriptor> fields,
                                      std::span<const FieldState> states, bool hex,
                                      std::span<const TrackBoxEntry> tracks, std::size_t chosen,
                                      std::uint32_t disc_end, bool end_at_next_track);

// The fourth button's request: Read CD-ROM Capacity (25h), reply bytes 0-3. Nothing when it
// fails.
std::optional<std::uint32_t> ReadLastLba(DeviceSession& session);

}  // namespace tamarack
