#include "emu/sector_encoder.h"

#include <algorithm>
#include <cstring>

#include "emu/cd_address.h"
#include "emu/ecc.h"
#include "emu/edc.h"

namespace tamarack::emu {
namespace {

void PutEdc(std::span<std::uint8_t, kRawSectorSize> s, std::size_t from, std::size_t to) {
  const std::uint32_t edc = ComputeEdc(std::span<const std::uint8_t>(s.data() + from, to - from));
  s[to] = static_cast<std::uint8_t>(edc);
  s[to + 1] = static_cast<std::uint8_t>(edc >> 8);
  s[to + 2] = static_cast<std::uint8_t>(edc >> 16);
  s[to + 3] = static_cast<std::uint8_t>(edc >> 24);
}

std::uint32_t StoredEdc(std::span<const std::uint8_t, kRawSectorSize> s, std::size_t at) {
  return static_cast<std::uint32_t>(s[at]) | static_cast<std::uint32_t>(s[at + 1]) << 8 |
         static_cast<std::uint32_t>(s[at + 2]) << 16 | static_cast<std::uint32_t>(s[at + 3]) << 24;
}

bool EdcMatches(std::span<const std::uint8_t, kRawSectorSize> s, std::size_t from, std::size_t to) {
  return ComputeEdc(std::span<const std::uint8_t>(s.data() + from, to - from)) == StoredEdc(s, to);
}

// ECC of a Mode 2 form 1 sector: the header does not take part (it is read as zeros).
void ComputeEccWithoutHeader(std::span<std::uint8_t, kRawSectorSize> s) {
  std::uint8_t header[4];
  std::memcpy(header, s.data() + 12, 4);
  std::memset(s.data() + 12, 0, 4);
  ComputeEcc(s);
  std::memcpy(s.data() + 12, header, 4);
}

}  // namespace

std::size_t UserDataOffset(TrackMode mode) {
  switch (mode) {
    case TrackMode::kAudio:
      return 0;
    case TrackMode::kMode1:
    case TrackMode::kMode2Formless:
      return 16;
    case TrackMode::kMode2Form1:
    case TrackMode::kMode2Form2:
      return 24;
  }
  return 0;
}

std::size_t UserDataSize(TrackMode mode) {
  switch (mode) {
    case TrackMode::kAudio:
      return 2352;
    case TrackMode::kMode1:
      return 2048;
    case TrackMode::kMode2Formless:
      return 2336;
    case TrackMode::kMode2Form1:
      return 2048;
    case TrackMode::kMode2Form2:
      return 2324;
  }
  return 0;
}

void EncodeSector(TrackMode mode, std::int32_t lba, XaSubHeader sub,
                  std::span<std::uint8_t, kRawSectorSize> s) {
  if (mode == TrackMode::kAudio) return;
  std::copy(kSyncPattern.begin(), kSyncPattern.end(), s.begin());
  const Msf msf = LbaToMsf(lba);
  s[12] = ToBcd(msf.minutes);
  s[13] = ToBcd(msf.seconds);
  s[14] = ToBcd(msf.frames);
  s[15] = mode == TrackMode::kMode1 ? 1 : 2;
  switch (mode) {
    case TrackMode::kMode1:
      PutEdc(s, 0, 2064);
      std::memset(s.data() + 2068, 0, 8);
      ComputeEcc(s);
      break;
    case TrackMode::kMode2Form1:
    case TrackMode::kMode2Form2: {
      const bool form2 = mode == TrackMode::kMode2Form2;
      sub.submode = static_cast<std::uint8_t>(form2 ? (sub.submode | kSubmodeForm2)
                                                    : (sub.submode & ~kSubmodeForm2));
      for (std::size_t at : {std::size_t{16}, std::size_t{20}}) {
        s[at] = sub.file;
        s[at + 1] = sub.channel;
        s[at + 2] = sub.submode;
        s[at + 3] = sub.coding;
      }
      if (form2) {
        PutEdc(s, 16, 2348);
      } else {
        PutEdc(s, 16, 2072);
        ComputeEccWithoutHeader(s);
      }
      break;
    }
    case TrackMode::kMode2Formless:
    case TrackMode::kAudio:
      break;
  }
}

SectorCheck CheckSector(std::span<const std::uint8_t, kRawSectorSize> s) {
  SectorCheck c;
  c.sync_ok = std::equal(kSyncPattern.begin(), kSyncPattern.end(), s.begin());
  if (!c.sync_ok) return c;
  c.mode = s[15];
  if (c.mode == 1) {
    c.edc_ok = EdcMatches(s, 0, 2064);
    const EccCheck e = CheckEcc(s);
    c.bad_p = e.bad_p;
    c.bad_q = e.bad_q;
    c.ecc_ok = e.Ok() && std::all_of(s.begin() + 2068, s.begin() + 2076,
                                     [](std::uint8_t b) { return b == 0; });
    return c;
  }
  if (c.mode != 2) return c;
  c.xa = std::equal(s.begin() + 16, s.begin() + 20, s.begin() + 20);
  if (!c.xa) {
    c.edc_ok = true;  // formless Mode 2 has no EDC or ECC
    c.ecc_ok = true;
    return c;
  }
  c.form = (s[18] & kSubmodeForm2) ? 2 : 1;
  if (c.form == 2) {
    c.edc_ok = StoredEdc(s, 2348) == 0 || EdcMatches(s, 16, 2348);
    c.ecc_ok = true;
    return c;
  }
  c.edc_ok = EdcMatches(s, 16, 2072);
  std::array<std::uint8_t, kRawSectorSize> copy;
  std::copy(s.begin(), s.end(), copy.begin());
  std::memset(copy.data() + 12, 0, 4);
  const EccCheck e = CheckEcc(copy);
  c.bad_p = e.bad_p;
  c.bad_q = e.bad_q;
  c.ecc_ok = e.Ok();
  return c;
}

}  // namespace tamarack::emu
