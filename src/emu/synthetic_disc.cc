#include "emu/synthetic_disc.h"

#include <utility>

#include "emu/disc_region.h"
#include "emu/sector_encoder.h"
#include "emu/subchannel.h"
#include "util/strings.h"

namespace tamarack::emu {
namespace {

// The mode a lead-out or lead-in is recorded in: that of the session's last (or first) track.
TrackMode SessionMode(const DiscLayout& layout, int session_index, bool first) {
  const SessionInfo& s = layout.sessions[static_cast<std::size_t>(session_index)];
  const int wanted = first ? s.first_track : s.last_track;
  for (const TrackInfo& t : layout.tracks) {
    if (t.number == wanted) return t.mode;
  }
  return TrackMode::kAudio;
}

}  // namespace

SyntheticDisc::SyntheticDisc(std::string name, DiscLayout layout, Content content)
    : name_(std::move(name)), layout_(std::move(layout)), content_(std::move(content)) {}

bool SyntheticDisc::ReadSector(std::int32_t lba, RawSector* out, std::string* error) const {
  if (lba < -kPregapBlocks || lba > LastBuildableBlock(layout_)) {
    if (error) {
      *error = StrFormat("%s: block %d lies outside the disc (%d to %d)", name_.c_str(), lba,
                         -kPregapBlocks, LastBuildableBlock(layout_));
    }
    return false;
  }
  const BlockPosition pos = LocateBlock(layout_, lba);
  TrackMode mode = TrackMode::kMode1;
  XaSubHeader sub;
  out->main.fill(0);
  switch (pos.area) {
    case BlockArea::kProgram:
      mode = pos.track->mode;
      if (mode == TrackMode::kMode2Form1) sub.submode = kSubmodeData;
      if (pos.index >= 1 && content_) {
        content_(
            *pos.track, lba,
            std::span<std::uint8_t>(out->main.data() + UserDataOffset(mode), UserDataSize(mode)));
      }
      break;
    case BlockArea::kLeadOut:
      mode = SessionMode(layout_, pos.session_index, false);
      break;
    case BlockArea::kLeadIn:
      mode = SessionMode(layout_, pos.session_index, true);
      break;
    case BlockArea::kOutside:
      break;
  }
  EncodeSector(mode, lba, sub, out->main);
  BuildSubchannel(layout_, lba, out->sub);
  out->c2.fill(0);
  return true;
}

bool SyntheticDisc::ReadMode1UserData(std::int32_t lba, std::span<std::uint8_t, 2048> out,
                                      std::string* error) const {
  if (lba >= -kPregapBlocks && lba <= LastBuildableBlock(layout_) && content_) {
    const BlockPosition pos = LocateBlock(layout_, lba);
    if (pos.area == BlockArea::kProgram && pos.index >= 1 && pos.track->mode == TrackMode::kMode1) {
      content_(*pos.track, lba, out);
      return true;
    }
  }
  return Disc::ReadMode1UserData(lba, out, error);
}

}  // namespace tamarack::emu
