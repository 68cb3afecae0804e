#include "views/start_position.h"

#include <algorithm>
#include <string_view>

#include "decode/text_conventions.h"
#include "form/number_box.h"
#include "mmc/disc_extent.h"
#include "util/bytes.h"

namespace tamarack {

namespace {

Msf MsfOfState(const FieldState& s) {
  return {ParseNumberText(s.msf[0], false), ParseNumberText(s.msf[1], false),
          ParseNumberText(s.msf[2], false)};
}

FieldState MsfState(FieldState s, std::int64_t lba) {
  const Msf v = MsfOfLba(std::max<std::int64_t>(lba, -kMsfOffset));  // 00:00:00 at the lowest
  s.msf = {FormatTwoDigits(static_cast<int>(v.minutes)),
           FormatTwoDigits(static_cast<int>(v.seconds)),
           FormatTwoDigits(static_cast<int>(v.frames))};
  return s;
}

bool IsLabelled(const FieldDescriptor& f, std::string_view label) {
  return f.kind == FieldKind::kMsf && std::string_view(f.label) == label;
}

// The MSF variant's new start and end.
std::vector<FieldUpdate> MsfUpdates(std::size_t field, std::span<const FieldState> states,
                                    std::int64_t start, std::int64_t end) {
  return {{field, MsfState(states[field], start)}, {field + 1, MsfState(states[field + 1], end)}};
}

}  // namespace

StartPositionRow FindStartPosition(std::span<const FieldDescriptor> fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].kind == FieldKind::kStartPosition) {
      return {StartPositionRow::Variant::kLba, i};
    }
    if (i + 1 < fields.size() && IsLabelled(fields[i], "Starting MSF") &&
        IsLabelled(fields[i + 1], "Ending MSF")) {
      return {StartPositionRow::Variant::kMsf, i};
    }
  }
  return {};
}

std::vector<FieldUpdate> QuickSetUpdates(std::span<const FieldDescriptor> fields,
                                         std::span<const FieldState> states, QuickSet button,
                                         bool hex, std::optional<std::uint32_t> last_lba) {
  const StartPositionRow row = FindStartPosition(fields);
  if (row.variant == StartPositionRow::Variant::kNone || states.size() != fields.size()) return {};
  if (button == QuickSet::kLast && !last_lba) return {};

  if (row.variant == StartPositionRow::Variant::kLba) {
    const std::uint32_t address = ParseNumberText(states[row.field].text, hex);
    std::uint32_t next = address;
    switch (button) {
      case QuickSet::kFirst:
        next = 0;
        break;
      case QuickSet::kBack:
        next = address == 0 ? 0 : address - 1;
        break;
      case QuickSet::kForward:
        next = address == 0xFFFFFFFFu ? address : address + 1;
        break;
      case QuickSet::kLast:
        next = *last_lba;
        break;
    }
    FieldState s = states[row.field];
    s.text = FormatNumberText(next, hex);
    return {{row.field, s}};
  }

  const Msf start = MsfOfState(states[row.field]);
  const Msf end = MsfOfState(states[row.field + 1]);
  const std::int64_t length = MsfRangeLength(start, end);
  const std::int64_t lba = LbaOfMsf(start);
  std::int64_t new_start = lba;
  switch (button) {
    case QuickSet::kFirst:
      new_start = 0;
      break;
    case QuickSet::kBack:
      new_start = std::max<std::int64_t>(0, lba - 1);
      break;
    case QuickSet::kForward:
      new_start = lba + 1;
      break;
    case QuickSet::kLast:
      new_start = *last_lba;
      break;
  }
  // At LBA 0 (or a start typed before it) "back" leaves both where they are.
  if (button == QuickSet::kBack && lba <= 0) new_start = lba;
  return MsfUpdates(row.field, states, new_start, new_start + length);
}

std::vector<FieldUpdate> TrackUpdates(std::span<const FieldDescriptor> fields,
                                      std::span<const FieldState> states, bool hex,
                                      std::span<const TrackBoxEntry> tracks, std::size_t chosen,
                                      std::uint32_t disc_end, bool end_at_next_track) {
  const StartPositionRow row = FindStartPosition(fields);
  if (row.variant == StartPositionRow::Variant::kNone || states.size() != fields.size() ||
      chosen >= tracks.size()) {
    return {};
  }
  const std::uint32_t track_start = tracks[chosen].start;
  if (row.variant == StartPositionRow::Variant::kLba) {
    FieldState s = states[row.field];
    s.text = FormatNumberText(track_start, hex);
    return {{row.field, s}};
  }
  std::int64_t end = 0;
  if (end_at_next_track) {
    end = chosen + 1 < tracks.size() ? std::int64_t{tracks[chosen + 1].start} - 1
                                     : std::int64_t{disc_end};
  } else {
    const Msf start = MsfOfState(states[row.field]);
    end = std::int64_t{track_start} + MsfRangeLength(start, MsfOfState(states[row.field + 1]));
  }
  return MsfUpdates(row.field, states, track_start, end);
}

std::optional<std::uint32_t> ReadLastLba(DeviceSession& session) {
  return mmc::ReadDiscExtent(session, {.toc = false}).last_lba;
}

}  // namespace tamarack
