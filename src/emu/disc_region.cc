#include "emu/disc_region.h"

namespace tamarack::emu {

std::int32_t LeadoutLength(const DiscLayout& layout, int session_index) {
  (void)layout;
  return session_index == 0 ? kFirstLeadoutBlocks : kLaterLeadoutBlocks;
}

std::int32_t LeadinStart(const DiscLayout& layout, int session_index) {
  if (session_index <= 0 || static_cast<std::size_t>(session_index) >= layout.sessions.size()) {
    return -kPregapBlocks - kLeadinBlocks;
  }
  const SessionInfo& s = layout.sessions[static_cast<std::size_t>(session_index)];
  for (const TrackInfo& t : layout.tracks) {
    if (t.number == s.first_track) return t.pregap_start - kLeadinBlocks;
  }
  return s.leadout_start;
}

BlockPosition LocateBlock(const DiscLayout& layout, std::int32_t lba) {
  BlockPosition p;
  for (std::size_t si = 0; si < layout.sessions.size(); ++si) {
    const SessionInfo& s = layout.sessions[si];
    const int session_index = static_cast<int>(si);
    if (si > 0) {
      const std::int32_t leadin = LeadinStart(layout, session_index);
      if (lba >= leadin && lba < leadin + kLeadinBlocks) {
        p.area = BlockArea::kLeadIn;
        p.session_index = session_index;
        p.relative = lba - leadin;
        return p;
      }
    }
    for (const TrackInfo& t : layout.tracks) {
      if (t.number < s.first_track || t.number > s.last_track) continue;
      if (lba < t.pregap_start || lba >= t.end) continue;
      p.area = BlockArea::kProgram;
      p.session_index = session_index;
      p.track = &t;
      p.relative = lba - t.start;
      p.index = lba < t.start ? 0 : 1;
      for (const IndexPoint& ip : t.indexes) {
        if (lba >= ip.lba && ip.number > p.index) p.index = ip.number;
      }
      return p;
    }
    if (lba >= s.leadout_start && lba < s.leadout_start + LeadoutLength(layout, session_index)) {
      p.area = BlockArea::kLeadOut;
      p.session_index = session_index;
      p.relative = lba - s.leadout_start;
      return p;
    }
  }
  return p;
}

}  // namespace tamarack::emu
