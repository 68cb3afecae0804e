// CD-TEXT packs (as the lead-in's R-W carries them and Read TOC format 5 returns them): 18
// bytes each, pack type, track, sequence number, block and character position, 12 text bytes
// and a CRC (polynomial 1021h, initial 0, inverted, as the Q sub-channel's) over the first 16.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tamarack::emu {

using CdTextPack = std::array<std::uint8_t, 18>;

inline constexpr std::uint8_t kCdTextTitle = 0x80;
inline constexpr std::uint8_t kCdTextPerformer = 0x81;
inline constexpr std::uint8_t kCdTextSizeInfo = 0x8F;

// The texts of one block (one language, ISO 8859-1): album title and performer, and per
// track from `first_track` on its title and performer.
struct CdTextBlock {
  int first_track = 1;
  std::string album_title;
  std::string album_performer;
  std::vector<std::string> track_titles;
  std::vector<std::string> track_performers;  // empty: the album performer for every track
};

// Title packs, performer packs, then the three size-information packs, with sequence numbers
// and CRCs.
std::vector<CdTextPack> BuildCdTextPacks(const CdTextBlock& block);

// True when the pack's CRC matches its first 16 bytes.
bool CdTextPackCrcOk(const CdTextPack& pack);

}  // namespace tamarack::emu
