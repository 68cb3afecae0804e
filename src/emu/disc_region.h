// Where a block lies on a disc: in a track (its pregap included), in a lead-out, in the lead-in
// of a later session, or nowhere.
#pragma once

#include <cstdint>

#include "emu/disc.h"

namespace tamarack::emu {

// Lead-in and lead-out lengths of multisession discs (the Orange Book's): the first session's
// lead-out lasts 1:30, later ones 0:30; every later session's lead-in lasts 1:00, and its
// first track has the usual two-second pregap.
inline constexpr std::int32_t kFirstLeadoutBlocks = 6750;
inline constexpr std::int32_t kLaterLeadoutBlocks = 2250;
inline constexpr std::int32_t kLeadinBlocks = 4500;
inline constexpr std::int32_t kPregapBlocks = 150;

enum class BlockArea { kProgram, kLeadIn, kLeadOut, kOutside };

struct BlockPosition {
  BlockArea area = BlockArea::kOutside;
  int session_index = 0;             // index into DiscLayout::sessions
  const TrackInfo* track = nullptr;  // kProgram only
  int index = 0;                     // kProgram: 0 in the pregap, 1, 2, ...
  // kProgram: blocks from index 1 (negative in the pregap); kLeadOut: from the lead-out start;
  // kLeadIn: from the lead-in start.
  std::int32_t relative = 0;
};

// Blocks of the lead-out of session `session_index`.
std::int32_t LeadoutLength(const DiscLayout& layout, int session_index);

// First block of the lead-in of session `session_index` (sessions after the first; the first
// session's lead-in lies before LBA -150).
std::int32_t LeadinStart(const DiscLayout& layout, int session_index);

BlockPosition LocateBlock(const DiscLayout& layout, std::int32_t lba);

// The last block a Disc builds: the end of the last session's lead-out.
inline std::int32_t LastBuildableBlock(const DiscLayout& layout) {
  return layout.LeadoutStart() +
         LeadoutLength(layout, static_cast<int>(layout.sessions.size()) - 1) - 1;
}

}  // namespace tamarack::emu
