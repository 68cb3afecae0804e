#include "emu/sector_encoder.h"

#include <algorithm>
#include <cstring>

#include "emu/cd_address.h"
#include "util/ecc.h"
#include "util/edc.h"

namespace tamarack::emu {
namespace {

void PutEdc(std::span<std::uint8_t, kRawSectorSize> s, std::size_t from, std::size_t to) {
  const std::uint32_t edc = ComputeEdc(std::span<const std::uint8_t>(s.data() + from, to - from));
  s[to] = static_cast<std::uint8_t>(edc);
  s[to + 1] = static_cast<std::uint8_t>(edc >> 8);
  s[to + 2] = static_cast<std::uint8_t>(edc >> 16);
  s[to + 3] = static_cast<std::uint8_t>(edc >> 24);
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

}  // namespace tamarack::emu
