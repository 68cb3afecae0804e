#include "emu/toc_reply.h"

#include <span>

#include "emu/cd_address.h"
#include "util/bytes.h"

namespace tamarack::emu {

namespace {

constexpr std::uint8_t kLeadoutNumber = 0xAA;
constexpr std::uint8_t kAdrPosition = 0x10;  // ADR 1 in the upper nibble
constexpr std::uint8_t kAdrMultisession = 0x50;

void WriteAddress(std::vector<std::uint8_t>& out, std::size_t at, std::int32_t lba, bool msf) {
  if (msf) {
    const Msf m = LbaToMsf(lba);
    out[at] = 0;
    out[at + 1] = static_cast<std::uint8_t>(m.minutes);
    out[at + 2] = static_cast<std::uint8_t>(m.seconds);
    out[at + 3] = static_cast<std::uint8_t>(m.frames);
  } else {
    WriteBe32(out, at, static_cast<std::uint32_t>(lba));
  }
}

// One 8-byte descriptor of formats 0 and 1.
void AddTrackDescriptor(std::vector<std::uint8_t>& out, std::uint8_t control, std::uint8_t number,
                        std::int32_t lba, bool msf) {
  const std::size_t at = out.size();
  out.resize(at + 8, 0);
  out[at + 1] = static_cast<std::uint8_t>(kAdrPosition | (control & 0x0F));
  out[at + 2] = number;
  WriteAddress(out, at + 4, lba, msf);
}

// One 11-byte descriptor of formats 2 and 3; times in binary.
void AddFullDescriptor(std::vector<std::uint8_t>& out, int session, std::uint8_t adr_control,
                       std::uint8_t point, Msf time, Msf ptime) {
  const std::size_t at = out.size();
  out.resize(at + 11, 0);
  out[at] = static_cast<std::uint8_t>(session);
  out[at + 1] = adr_control;
  out[at + 3] = point;
  out[at + 4] = static_cast<std::uint8_t>(time.minutes);
  out[at + 5] = static_cast<std::uint8_t>(time.seconds);
  out[at + 6] = static_cast<std::uint8_t>(time.frames);
  out[at + 8] = static_cast<std::uint8_t>(ptime.minutes);
  out[at + 9] = static_cast<std::uint8_t>(ptime.seconds);
  out[at + 10] = static_cast<std::uint8_t>(ptime.frames);
}

// Appends `bytes` (written by index: GCC 12 misjudges inserts into short vectors).
void Append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
  const std::size_t at = out.size();
  out.resize(at + bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) out[at + i] = bytes[i];
}

Msf Pmsf(int m, int s, int f) { return Msf{m, s, f}; }

const TrackInfo* FindTrack(const DiscLayout& layout, int number) {
  for (const TrackInfo& t : layout.tracks) {
    if (t.number == number) return &t;
  }
  return nullptr;
}

std::uint8_t LeadoutControl(const DiscLayout& layout, const SessionInfo& s) {
  const TrackInfo* last = FindTrack(layout, s.last_track);
  return last ? last->control : 0;
}

std::vector<std::uint8_t> Toc(const DiscLayout& layout, bool msf, std::uint8_t number,
                              SenseCode* error) {
  const int first = layout.tracks.empty() ? 1 : layout.tracks.front().number;
  const int last = layout.tracks.empty() ? 1 : layout.tracks.back().number;
  if (number != kLeadoutNumber && number > last) {
    *error = kInvalidFieldInCdb;
    return {};
  }
  std::vector<std::uint8_t> out(4, 0);
  out[2] = static_cast<std::uint8_t>(first);
  out[3] = static_cast<std::uint8_t>(last);
  if (number != kLeadoutNumber) {
    for (const TrackInfo& t : layout.tracks) {
      if (t.number >= number) {
        AddTrackDescriptor(out, t.control, static_cast<std::uint8_t>(t.number), t.start, msf);
      }
    }
  }
  const std::uint8_t control =
      layout.sessions.empty() ? 0 : LeadoutControl(layout, layout.sessions.back());
  AddTrackDescriptor(out, control, kLeadoutNumber, layout.LeadoutStart(), msf);
  WriteBe16(out, 0, static_cast<std::uint32_t>(out.size() - 2));
  return out;
}

std::vector<std::uint8_t> SessionInformation(const DiscLayout& layout, bool msf) {
  std::vector<std::uint8_t> out(4, 0);
  out[2] = 1;
  out[3] = static_cast<std::uint8_t>(layout.sessions.size());
  if (!layout.sessions.empty()) {
    const SessionInfo& s = layout.sessions.back();
    const TrackInfo* t = FindTrack(layout, s.first_track);
    AddTrackDescriptor(out, t ? t->control : 0, static_cast<std::uint8_t>(s.first_track),
                       t ? t->start : 0, msf);
  }
  WriteBe16(out, 0, static_cast<std::uint32_t>(out.size() - 2));
  return out;
}

std::vector<std::uint8_t> FullToc(const DiscLayout& layout, std::uint8_t number, SenseCode* error) {
  const int sessions = static_cast<int>(layout.sessions.size());
  if (number > sessions) {
    *error = kInvalidFieldInCdb;
    return {};
  }
  std::vector<std::uint8_t> out(4, 0);
  out[2] = 1;
  out[3] = static_cast<std::uint8_t>(sessions);
  const Msf zero{};
  for (int si = 0; si < sessions; ++si) {
    const SessionInfo& s = layout.sessions[static_cast<std::size_t>(si)];
    if (s.number < number) continue;
    const TrackInfo* first = FindTrack(layout, s.first_track);
    const std::uint8_t first_control = first ? first->control : 0;
    const std::uint8_t last_control = LeadoutControl(layout, s);
    AddFullDescriptor(out, s.number, kAdrPosition | first_control, 0xA0, zero,
                      Pmsf(s.first_track, s.disc_type, 0));
    AddFullDescriptor(out, s.number, kAdrPosition | last_control, 0xA1, zero,
                      Pmsf(s.last_track, 0, 0));
    AddFullDescriptor(out, s.number, kAdrPosition | last_control, 0xA2, zero,
                      LbaToMsf(s.leadout_start));
    for (const TrackInfo& t : layout.tracks) {
      if (t.number < s.first_track || t.number > s.last_track) continue;
      AddFullDescriptor(out, s.number, static_cast<std::uint8_t>(kAdrPosition | t.control),
                        static_cast<std::uint8_t>(t.number), zero, LbaToMsf(t.start));
    }
    if (sessions > 1 && si + 1 < sessions) {
      // B0: where the next session's program area starts, and the outermost lead-out limit.
      const SessionInfo& next = layout.sessions[static_cast<std::size_t>(si) + 1];
      const TrackInfo* next_first = FindTrack(layout, next.first_track);
      const std::int32_t next_area = next_first ? next_first->pregap_start : next.leadout_start;
      AddFullDescriptor(out, s.number, kAdrMultisession | first_control, 0xB0, LbaToMsf(next_area),
                        Pmsf(79, 59, 74));
      if (si == 0) {
        // C0: the writing power byte and the start of the disc's first lead-in.
        AddFullDescriptor(out, s.number, kAdrMultisession | first_control, 0xC0, Pmsf(0x80, 0, 0),
                          Pmsf(97, 27, 0));
      }
    }
  }
  WriteBe16(out, 0, static_cast<std::uint32_t>(out.size() - 2));
  return out;
}

std::vector<std::uint8_t> Pma(const DiscLayout& layout) {
  std::vector<std::uint8_t> out(4, 0);
  for (const TrackInfo& t : layout.tracks) {
    // A track entry (no session number): its last block and its start, times in binary.
    AddFullDescriptor(out, 0, static_cast<std::uint8_t>(kAdrPosition | t.control),
                      static_cast<std::uint8_t>(t.number), LbaToMsf(t.end - 1), LbaToMsf(t.start));
  }
  WriteBe16(out, 0, static_cast<std::uint32_t>(out.size() - 2));
  return out;
}

std::vector<std::uint8_t> Atip(const DiscLayout& layout) {
  std::vector<std::uint8_t> out(4, 0);
  Append(out, layout.atip->bytes);
  WriteBe16(out, 0, static_cast<std::uint32_t>(out.size() - 2));
  return out;
}

std::vector<std::uint8_t> CdText(const DiscLayout& layout) {
  std::vector<std::uint8_t> out(4, 0);
  for (const auto& pack : layout.cd_text_packs) Append(out, pack);
  WriteBe16(out, 0, static_cast<std::uint32_t>(out.size() - 2));
  return out;
}

}  // namespace

std::vector<std::uint8_t> BuildToc(const DiscLayout& layout, int format, bool msf,
                                   std::uint8_t number, SenseCode* error) {
  *error = kNoSense;
  switch (format) {
    case 0:
      return Toc(layout, msf, number, error);
    case 1:
      return SessionInformation(layout, msf);
    case 2:
      return FullToc(layout, number, error);
    case 3:
    case 4:
      // Only recordable discs carry a PMA and an ATIP.
      if (!layout.atip) {
        *error = kInvalidFieldInCdb;
        return {};
      }
      return format == 3 ? Pma(layout) : Atip(layout);
    case 5:
      return CdText(layout);
    default:
      *error = kInvalidFieldInCdb;
      return {};
  }
}

}  // namespace tamarack::emu
