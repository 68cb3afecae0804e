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
inline constexpr std::uint8_t kCdTextSongwriter = 0x82;
inline constexpr std::uint8_t kCdTextComposer = 0x83;
inline constexpr std::uint8_t kCdTextArranger = 0x84;
inline constexpr std::uint8_t kCdTextMessage = 0x85;
inline constexpr std::uint8_t kCdTextSizeInfo = 0x8F;
// The text pack types a block carries: 80h (title) to 85h (message).
inline constexpr int kCdTextKinds = 6;
// One block holds at most 256 packs (the sequence number is one byte).
inline constexpr std::size_t kMaxCdTextPacks = 256;

// One kind of text: the album's string, then one per track from the block's first track.
struct CdTextStrings {
  std::string album;
  std::vector<std::string> tracks;
};

// The texts of one block (block 0: English, ISO 8859-1), by pack type from 80h. A kind whose
// strings are all empty gets no packs.
struct CdTextBlock {
  int first_track = 1;
  int last_track = 1;
  std::array<CdTextStrings, kCdTextKinds> texts;

  CdTextStrings& Of(std::uint8_t type) { return texts[type - kCdTextTitle]; }
};

// The text packs in order of type, then the three size-information packs, with sequence
// numbers and CRCs.
std::vector<CdTextPack> BuildCdTextPacks(const CdTextBlock& block);

// True when the pack's CRC matches its first 16 bytes.
bool CdTextPackCrcOk(const CdTextPack& pack);

}  // namespace tamarack::emu
