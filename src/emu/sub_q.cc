#include "emu/sub_q.h"

#include <vector>

#include "emu/cd_address.h"
#include "emu/disc_region.h"

namespace tamarack::emu {
namespace {

void PutCrc(SubQ* q) {
  const std::uint16_t crc = SubQCrc(*q);
  (*q)[10] = static_cast<std::uint8_t>(crc >> 8);
  (*q)[11] = static_cast<std::uint8_t>(crc);
}

void PutMsf(SubQ* q, std::size_t at, const Msf& m) {
  (*q)[at] = ToBcd(m.minutes);
  (*q)[at + 1] = ToBcd(m.seconds);
  (*q)[at + 2] = ToBcd(m.frames);
}

std::uint8_t ControlAdr(std::uint8_t control, std::uint8_t adr) {
  return static_cast<std::uint8_t>((control & 0x0F) << 4 | (adr & 0x0F));
}

// ISRC characters in six bits: digits 0-9 as 00h-09h, letters as 11h-2Ah.
std::uint32_t IsrcCode(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint32_t>(c - 'A' + 0x11);
  if (c >= 'a' && c <= 'z') return static_cast<std::uint32_t>(c - 'a' + 0x11);
  return 0;
}

std::uint32_t Digit(const std::string& s, std::size_t i) {
  return i < s.size() && s[i] >= '0' && s[i] <= '9' ? static_cast<std::uint32_t>(s[i] - '0') : 0;
}

struct TocItem {
  std::uint8_t control_adr;
  std::uint8_t point;
  Msf time;  // MIN SEC FRAME (B0: next program area)
  std::uint8_t zero;
  std::uint8_t pmin, psec, pframe;
};

std::vector<TocItem> LeadinItems(const DiscLayout& layout, int session_index) {
  std::vector<TocItem> items;
  const SessionInfo& s = layout.sessions[static_cast<std::size_t>(session_index)];
  std::uint8_t first_control = 0;
  std::uint8_t last_control = 0;
  bool seen = false;
  for (const TrackInfo& t : layout.tracks) {
    if (t.number < s.first_track || t.number > s.last_track) continue;
    if (!seen) first_control = t.control;
    seen = true;
    last_control = t.control;
    const Msf m = LbaToMsf(t.start);
    items.push_back({ControlAdr(t.control, kQAdrPosition),
                     ToBcd(t.number),
                     {},
                     0,
                     ToBcd(m.minutes),
                     ToBcd(m.seconds),
                     ToBcd(m.frames)});
  }
  const Msf lo = LbaToMsf(s.leadout_start);
  items.push_back({ControlAdr(first_control, kQAdrPosition),
                   0xA0,
                   {},
                   0,
                   ToBcd(s.first_track),
                   s.disc_type,
                   0});
  items.push_back(
      {ControlAdr(last_control, kQAdrPosition), 0xA1, {}, 0, ToBcd(s.last_track), 0, 0});
  items.push_back({ControlAdr(last_control, kQAdrPosition),
                   0xA2,
                   {},
                   0,
                   ToBcd(lo.minutes),
                   ToBcd(lo.seconds),
                   ToBcd(lo.frames)});
  if (static_cast<std::size_t>(session_index) + 1 < layout.sessions.size()) {
    // B0: where the next session's program area starts, and the outermost possible lead-out.
    const Msf next =
        LbaToMsf(LeadinStart(layout, session_index + 1) + kLeadinBlocks + kPregapBlocks);
    items.push_back({ControlAdr(last_control, kQAdrMultisession), 0xB0, next, 1, ToBcd(79),
                     ToBcd(59), ToBcd(74)});
  }
  return items;
}

}  // namespace

SubQ McnQ(std::uint8_t control, const std::string& mcn, int aframe) {
  SubQ q{};
  q[0] = ControlAdr(control, kQAdrMcn);
  for (std::size_t i = 0; i < 13; ++i) {
    const std::uint32_t d = Digit(mcn, i);
    q[1 + i / 2] = static_cast<std::uint8_t>(q[1 + i / 2] | (i % 2 == 0 ? d << 4 : d));
  }
  q[9] = ToBcd(aframe);
  PutCrc(&q);
  return q;
}

SubQ IsrcQ(std::uint8_t control, const std::string& isrc, int aframe) {
  SubQ q{};
  q[0] = ControlAdr(control, kQAdrIsrc);
  // Five 6-bit characters, two zero bits, seven 4-bit digits, four zero bits: 64 bits.
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < 5; ++i) {
    bits = bits << 6 | (i < isrc.size() ? IsrcCode(isrc[i]) : 0);
  }
  bits <<= 2;
  for (std::size_t i = 5; i < 12; ++i) bits = bits << 4 | Digit(isrc, i);
  bits <<= 4;
  for (std::size_t i = 0; i < 8; ++i) q[1 + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  q[9] = ToBcd(aframe);
  PutCrc(&q);
  return q;
}

SubQ BuildSubQ(const DiscLayout& layout, std::int32_t lba) {
  SubQ q{};
  const BlockPosition pos = LocateBlock(layout, lba);
  const Msf abs = LbaToMsf(lba);
  switch (pos.area) {
    case BlockArea::kProgram: {
      const TrackInfo& t = *pos.track;
      const int slot = (lba + kMsfOffset) % 100;
      const bool boundary = lba == t.start || lba == t.pregap_start;
      if (!boundary && slot == kMcnSlot && layout.mcn.size() == 13) {
        return McnQ(t.control, layout.mcn, static_cast<int>(abs.frames));
      }
      if (!boundary && slot == kIsrcSlot && pos.index >= 1 && t.isrc.size() == 12) {
        return IsrcQ(t.control, t.isrc, static_cast<int>(abs.frames));
      }
      q[0] = ControlAdr(t.control, kQAdrPosition);
      q[1] = ToBcd(t.number);
      q[2] = ToBcd(pos.index);
      PutMsf(&q, 3, FramesToMsf(pos.relative < 0 ? -pos.relative : pos.relative));
      PutMsf(&q, 7, abs);
      break;
    }
    case BlockArea::kLeadOut: {
      const SessionInfo& s = layout.sessions[static_cast<std::size_t>(pos.session_index)];
      const TrackInfo* last = nullptr;
      for (const TrackInfo& t : layout.tracks) {
        if (t.number == s.last_track) last = &t;
      }
      q[0] = ControlAdr(last ? last->control : 0, kQAdrPosition);
      q[1] = kLeadoutTrack;
      q[2] = 0x01;
      PutMsf(&q, 3, FramesToMsf(pos.relative));
      PutMsf(&q, 7, abs);
      break;
    }
    case BlockArea::kLeadIn: {
      const std::vector<TocItem> items = LeadinItems(layout, pos.session_index);
      // Each item is repeated in three successive blocks, as mastering does.
      const TocItem& it = items[static_cast<std::size_t>(pos.relative / 3) % items.size()];
      q[0] = it.control_adr;
      q[1] = 0x00;
      q[2] = it.point;
      if (it.point == 0xB0) {
        PutMsf(&q, 3, it.time);
      } else {
        PutMsf(&q, 3, FramesToMsf(pos.relative));
      }
      q[6] = it.zero;
      q[7] = it.pmin;
      q[8] = it.psec;
      q[9] = it.pframe;
      break;
    }
    case BlockArea::kOutside:
      PutMsf(&q, 7, abs);
      q[0] = ControlAdr(0, kQAdrPosition);
      break;
  }
  PutCrc(&q);
  return q;
}

bool PChannel(const DiscLayout& layout, std::int32_t lba) {
  const BlockPosition pos = LocateBlock(layout, lba);
  switch (pos.area) {
    case BlockArea::kProgram:
      return pos.index == 0;
    case BlockArea::kLeadOut:
      return (pos.relative * 4 / kFramesPerSecond) % 2 == 0;
    case BlockArea::kLeadIn:
    case BlockArea::kOutside:
      return false;
  }
  return false;
}

}  // namespace tamarack::emu
