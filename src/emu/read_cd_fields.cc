#include "emu/read_cd_fields.h"

#include <algorithm>
#include <cstring>

#include "emu/sector_encoder.h"
#include "emu/subchannel.h"

namespace tamarack::emu {
namespace {

bool IsXa(TrackMode mode) {
  return mode == TrackMode::kMode2Form1 || mode == TrackMode::kMode2Form2;
}

}  // namespace

std::uint8_t SectorTypeOf(TrackMode mode) {
  switch (mode) {
    case TrackMode::kAudio:
      return kSectorTypeCdda;
    case TrackMode::kMode1:
      return kSectorTypeMode1;
    case TrackMode::kMode2Formless:
      return kSectorTypeMode2Formless;
    case TrackMode::kMode2Form1:
      return kSectorTypeMode2Form1;
    case TrackMode::kMode2Form2:
      return kSectorTypeMode2Form2;
  }
  return kSectorTypeAny;
}

TrackMode BlockMode(TrackMode track_mode, const RawSector& sector) {
  if (track_mode != TrackMode::kMode2Formless && !IsXa(track_mode)) return track_mode;
  const SectorCheck c = CheckSector(sector.main);
  if (!c.sync_ok || c.mode != 2) return track_mode;
  if (!c.xa) return TrackMode::kMode2Formless;
  return c.form == 2 ? TrackMode::kMode2Form2 : TrackMode::kMode2Form1;
}

ReadCdStatus ReadCdBlockSize(const ReadCdSelection& sel, TrackMode mode, std::size_t* bytes) {
  return ReadCdBytesPerBlock(sel, SectorTypeOf(mode), bytes);
}

ReadCdStatus AssembleReadCdBlock(const ReadCdSelection& sel, TrackMode track_mode,
                                 const RawSector& sector, std::span<std::uint8_t> out,
                                 std::size_t* bytes) {
  const TrackMode mode = BlockMode(track_mode, sector);
  std::size_t size = 0;
  const ReadCdStatus status = ReadCdBlockSize(sel, mode, &size);
  *bytes = 0;
  if (status != ReadCdStatus::kOk) return status;
  if (out.size() < size) return ReadCdStatus::kInvalidField;
  const SectorFields f = SectorFieldsOf(SectorTypeOf(mode));
  const SelectedFields s = SelectFields(sel.main, SectorTypeOf(mode));
  std::size_t n = 0;
  auto put = [&](const std::uint8_t* from, std::size_t length) {
    std::memcpy(out.data() + n, from, length);
    n += length;
  };
  const std::uint8_t* m = sector.main.data();
  if (s.sync) put(m + f.sync.offset, f.sync.length);
  if (s.header) put(m + f.header.offset, f.header.length);
  if (s.sub_header) put(m + f.sub_header.offset, f.sub_header.length);
  if (s.user) put(m + f.user.offset, f.user.length);
  if (s.edc_ecc) put(m + f.edc_ecc.offset, f.edc_ecc.length);
  const std::size_t error_bytes = ErrorFieldBytes(sel.main);
  if (error_bytes > 0) {
    put(sector.c2.data(), kC2Size);
    if (error_bytes > kC2Size) {
      std::uint8_t block_error = 0;
      for (std::uint8_t b : sector.c2) block_error |= b;
      out[n++] = block_error;
      out[n++] = 0;  // pad byte
    }
  }
  switch (sel.sub & 0x07) {
    case 1:
      put(sector.sub.data(), kSubchannelSize);
      break;
    case 2: {
      const auto q = FormattedQ(sector.sub);
      put(q.data(), q.size());
      break;
    }
    case 4: {
      const auto rw = DeinterleavedRw(sector.sub);
      put(rw.data(), rw.size());
      break;
    }
    default:
      break;
  }
  *bytes = n;
  return ReadCdStatus::kOk;
}

}  // namespace tamarack::emu
