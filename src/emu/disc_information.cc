#include "emu/disc_information.h"

#include "util/bytes.h"

namespace tamarack::emu {

namespace {

constexpr std::size_t kDiscInformationSize = 34;
constexpr std::size_t kClassicTrackInformationSize = 36;
constexpr std::size_t kModernTrackInformationSize = 48;
constexpr std::uint8_t kDiscTypeNoData = 0x00;
constexpr std::uint8_t kDataModeUnknown = 0x0F;  // audio: no data block type

const TrackInfo* FindTrack(const DiscLayout& layout, std::uint32_t number) {
  for (const TrackInfo& t : layout.tracks) {
    if (static_cast<std::uint32_t>(t.number) == number) return &t;
  }
  return nullptr;
}

std::uint8_t DiscType(const DiscLayout& layout) {
  for (const SessionInfo& s : layout.sessions) {
    for (const TrackInfo& t : layout.tracks) {
      if (t.session == s.number && (t.control & kControlData) != 0) return s.disc_type;
    }
  }
  return kDiscTypeNoData;
}

std::uint8_t DataMode(TrackMode mode) {
  switch (mode) {
    case TrackMode::kMode1:
      return 0x01;
    case TrackMode::kMode2Formless:
    case TrackMode::kMode2Form1:
    case TrackMode::kMode2Form2:
      return 0x02;
    case TrackMode::kAudio:
      break;
  }
  return kDataModeUnknown;
}

const TrackInfo* NamedTrack(const DiscLayout& layout, std::uint8_t address_type,
                            std::uint32_t value, SenseCode* error) {
  const TrackInfo* track = nullptr;
  switch (static_cast<TrackAddressType>(address_type)) {
    case TrackAddressType::kLba:
      // The field is a signed block address: the pregap of track 1 lies below 0.
      track = layout.TrackAt(static_cast<std::int32_t>(value));
      if (!track) *error = kLbaOutOfRange;
      return track;
    case TrackAddressType::kTrack:
      // Track 0 (the lead-in) has no information block on a pressed disc, nor has a track
      // past the last (a complete disc has no incomplete or invisible track).
      track = FindTrack(layout, value);
      break;
    case TrackAddressType::kSession:
      for (const SessionInfo& s : layout.sessions) {
        if (static_cast<std::uint32_t>(s.number) == value) {
          track = FindTrack(layout, static_cast<std::uint32_t>(s.first_track));
        }
      }
      break;
  }
  if (!track) *error = kInvalidFieldInCdb;
  return track;
}

}  // namespace

std::vector<std::uint8_t> BuildDiscInformation(const DiscLayout& layout) {
  std::vector<std::uint8_t> r(kDiscInformationSize, 0);
  WriteBe16(r, 0, static_cast<std::uint32_t>(kDiscInformationSize - 2));
  // Data type 000b, not erasable, last session complete (11b), disc complete (10b).
  r[2] = 0x0E;
  r[3] = static_cast<std::uint8_t>(layout.tracks.empty() ? 1 : layout.tracks.front().number);
  const auto sessions = static_cast<std::uint32_t>(layout.sessions.size());
  const SessionInfo last = layout.sessions.empty() ? SessionInfo{} : layout.sessions.back();
  r[4] = static_cast<std::uint8_t>(sessions);
  r[9] = static_cast<std::uint8_t>(sessions >> 8);
  r[5] = static_cast<std::uint8_t>(last.first_track);
  r[10] = static_cast<std::uint8_t>(last.first_track >> 8);
  r[6] = static_cast<std::uint8_t>(last.last_track);
  r[11] = static_cast<std::uint8_t>(last.last_track >> 8);
  // No disc identification or bar code (DID_V, DBC_V 0); URU: a pressed disc is for
  // unrestricted use.
  r[7] = 0x20;
  r[8] = DiscType(layout);
  // A complete disc has no next lead-in and no last possible lead-out: FFh throughout.
  WriteBe32(r, 16, 0xFFFFFFFFu);
  WriteBe32(r, 20, 0xFFFFFFFFu);
  return r;
}

std::vector<std::uint8_t> BuildTrackInformation(const DiscLayout& layout, std::uint8_t address_type,
                                                std::uint32_t value, DriveModel model,
                                                SenseCode* error) {
  *error = kNoSense;
  const TrackInfo* t = NamedTrack(layout, address_type, value, error);
  if (!t) return {};
  const std::size_t size =
      model == DriveModel::kModern ? kModernTrackInformationSize : kClassicTrackInformationSize;
  std::vector<std::uint8_t> r(size, 0);
  WriteBe16(r, 0, static_cast<std::uint32_t>(size - 2));
  r[2] = static_cast<std::uint8_t>(t->number);
  r[3] = static_cast<std::uint8_t>(t->session);
  // Not damaged, not a copy; the track mode is the Q control nibble.
  r[5] = static_cast<std::uint8_t>(t->control & 0x0F);
  // Not reserved, not blank, no packets: only the data mode.
  r[6] = DataMode(t->mode);
  r[7] = 0x02;  // LRA_V; no next writable address (NWA_V 0) on a pressed disc
  WriteBe32(r, 8, static_cast<std::uint32_t>(t->start));
  WriteBe32(r, 24, static_cast<std::uint32_t>(t->end - t->start));
  WriteBe32(r, 28, static_cast<std::uint32_t>(t->end - 1));
  r[32] = static_cast<std::uint8_t>(t->number >> 8);
  r[33] = static_cast<std::uint8_t>(t->session >> 8);
  return r;
}

}  // namespace tamarack::emu
