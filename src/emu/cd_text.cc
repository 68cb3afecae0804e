#include "emu/cd_text.h"

#include <algorithm>

#include "emu/sub_q.h"

namespace tamarack::emu {
namespace {

void SealPack(CdTextPack* p) {
  const std::uint16_t crc = SubChannelCrc(std::span<const std::uint8_t>(*p).first(16));
  (*p)[16] = static_cast<std::uint8_t>(crc >> 8);
  (*p)[17] = static_cast<std::uint8_t>(crc);
}

// Packs of one type: the strings (album first) each with its terminating zero, 12 bytes a
// pack; a pack names the track of the string its first byte belongs to and how many characters
// of that string earlier packs hold (at most 15).
void AddTextPacks(std::uint8_t type, const std::vector<std::string>& strings, int first_track,
                  std::vector<CdTextPack>* packs) {
  struct Byte {
    std::uint8_t value;
    int track;
    int position;
  };
  std::vector<Byte> stream;
  for (std::size_t i = 0; i < strings.size(); ++i) {
    const int track = i == 0 ? 0 : first_track + static_cast<int>(i) - 1;
    int pos = 0;
    for (char c : strings[i]) stream.push_back({static_cast<std::uint8_t>(c), track, pos++});
    stream.push_back({0, track, pos});
  }
  for (std::size_t at = 0; at < stream.size(); at += 12) {
    CdTextPack p{};
    p[0] = type;
    p[1] = static_cast<std::uint8_t>(stream[at].track);
    p[2] = static_cast<std::uint8_t>(packs->size());
    p[3] = static_cast<std::uint8_t>(std::min(stream[at].position, 15));
    for (std::size_t k = 0; k < 12 && at + k < stream.size(); ++k) p[4 + k] = stream[at + k].value;
    SealPack(&p);
    packs->push_back(p);
  }
}

}  // namespace

std::vector<CdTextPack> BuildCdTextPacks(const CdTextBlock& block) {
  std::vector<CdTextPack> packs;
  const std::size_t tracks =
      static_cast<std::size_t>(std::max(0, block.last_track - block.first_track + 1));
  for (int kind = 0; kind < kCdTextKinds; ++kind) {
    const CdTextStrings& text = block.texts[static_cast<std::size_t>(kind)];
    std::vector<std::string> strings{text.album};
    strings.insert(
        strings.end(), text.tracks.begin(),
        text.tracks.begin() + static_cast<std::ptrdiff_t>(std::min(tracks, text.tracks.size())));
    strings.resize(tracks + 1);
    if (std::all_of(strings.begin(), strings.end(),
                    [](const std::string& s) { return s.empty(); })) {
      continue;
    }
    AddTextPacks(static_cast<std::uint8_t>(kCdTextTitle + kind), strings, block.first_track,
                 &packs);
  }

  // Size information: character code, first and last track, copyright, the number of packs of
  // each type 80h-8Fh, the last sequence number of blocks 0-7, their language codes.
  std::array<std::uint8_t, 36> info{};
  info[0] = 0x00;  // ISO 8859-1
  info[1] = static_cast<std::uint8_t>(block.first_track);
  info[2] = static_cast<std::uint8_t>(block.last_track);
  info[3] = 0x00;
  for (const CdTextPack& p : packs) ++info[4 + (p[0] & 0x0F)];
  info[4 + 0x0F] = 3;
  info[20] = static_cast<std::uint8_t>(packs.size() + 3 - 1);
  info[28] = 0x09;  // English
  for (std::size_t i = 0; i < 3; ++i) {
    CdTextPack p{};
    p[0] = kCdTextSizeInfo;
    p[1] = static_cast<std::uint8_t>(i);
    p[2] = static_cast<std::uint8_t>(packs.size());
    p[3] = 0;
    std::copy(info.begin() + static_cast<std::ptrdiff_t>(12 * i),
              info.begin() + static_cast<std::ptrdiff_t>(12 * i + 12), p.begin() + 4);
    SealPack(&p);
    packs.push_back(p);
  }
  return packs;
}

bool CdTextPackCrcOk(const CdTextPack& pack) {
  return SubChannelCrc(std::span<const std::uint8_t>(pack).first(16)) ==
         static_cast<std::uint16_t>(pack[16] << 8 | pack[17]);
}

}  // namespace tamarack::emu
