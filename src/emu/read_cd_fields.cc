#include "emu/read_cd_fields.h"

#include <algorithm>
#include <cstring>

#include "emu/sector_encoder.h"
#include "emu/subchannel.h"

namespace tamarack::emu {
namespace {

constexpr std::uint8_t kSync = 0x80;
constexpr std::uint8_t kHeaderCodes = 0x60;
constexpr std::uint8_t kUserData = 0x10;
constexpr std::uint8_t kEdcEcc = 0x08;
constexpr std::uint8_t kErrorField = 0x06;
constexpr std::uint8_t kReservedBit = 0x01;

enum HeaderCode : std::uint8_t {
  kNoHeaders = 0,
  kHeaderOnly = 1,
  kSubHeaderOnly = 2,
  kAllHeaders = 3
};

// Offsets and lengths of the fields of a 2352-byte sector of each type.
struct Field {
  std::size_t offset;
  std::size_t length;
};
struct Fields {
  Field sync, header, sub_header, user, edc_ecc;
};

Fields FieldsOf(TrackMode mode) {
  switch (mode) {
    case TrackMode::kAudio:
      return {{0, 0}, {0, 0}, {0, 0}, {0, 2352}, {0, 0}};
    case TrackMode::kMode1:
      return {{0, 12}, {12, 4}, {16, 0}, {16, 2048}, {2064, 288}};
    case TrackMode::kMode2Formless:
      return {{0, 12}, {12, 4}, {16, 0}, {16, 2336}, {2352, 0}};
    case TrackMode::kMode2Form1:
      return {{0, 12}, {12, 4}, {16, 8}, {24, 2048}, {2072, 280}};
    case TrackMode::kMode2Form2:
      return {{0, 12}, {12, 4}, {16, 8}, {24, 2328}, {2352, 0}};
  }
  return {};
}

bool TypeMatches(std::uint8_t expected, TrackMode mode) {
  switch (expected) {
    case kSectorTypeAny:
      return true;
    case kSectorTypeCdda:
      return mode == TrackMode::kAudio;
    case kSectorTypeMode1:
      return mode == TrackMode::kMode1;
    case kSectorTypeMode2Formless:
      return mode == TrackMode::kMode2Formless;
    case kSectorTypeMode2Form1:
      return mode == TrackMode::kMode2Form1;
    case kSectorTypeMode2Form2:
      return mode == TrackMode::kMode2Form2;
    default:
      return false;
  }
}

bool IsXa(TrackMode mode) {
  return mode == TrackMode::kMode2Form1 || mode == TrackMode::kMode2Form2;
}

std::size_t ErrorBytes(std::uint8_t main) {
  switch ((main & kErrorField) >> 1) {
    case 1:
      return kC2Size;
    case 2:
      return kC2Size + 2;
    default:
      return 0;
  }
}

std::size_t SubBytes(std::uint8_t sub) {
  switch (sub & 0x07) {
    case 1:
      return kSubchannelSize;
    case 2:
      return 16;
    case 4:
      return kSubchannelSize;
    default:
      return 0;
  }
}

// The fields a selection takes from a block of `mode`, in order.
struct Selected {
  bool sync = false, header = false, sub_header = false, user = false, edc_ecc = false;
};

Selected Select(std::uint8_t main, TrackMode mode) {
  Selected s;
  if (mode == TrackMode::kAudio) {
    // CD-DA blocks have no sync, header or EDC/ECC: only the user data flag counts.
    s.user = (main & kUserData) != 0;
    return s;
  }
  const auto hc = static_cast<std::uint8_t>((main & kHeaderCodes) >> 5);
  s.sync = (main & kSync) != 0;
  s.header = hc == kHeaderOnly || hc == kAllHeaders;
  s.sub_header = hc == kSubHeaderOnly || hc == kAllHeaders;
  s.user = (main & kUserData) != 0;
  s.edc_ecc = (main & kEdcEcc) != 0;
  return s;
}

}  // namespace

ReadCdSelection ReadCdSelection::FromCdb(std::span<const std::uint8_t> cdb) {
  ReadCdSelection s;
  s.expected_type = cdb.size() > 1 ? static_cast<std::uint8_t>((cdb[1] >> 2) & 0x07) : 0;
  s.main = cdb.size() > 9 ? cdb[9] : 0;
  s.sub = cdb.size() > 10 ? static_cast<std::uint8_t>(cdb[10] & 0x07) : 0;
  return s;
}

TrackMode BlockMode(TrackMode track_mode, const RawSector& sector) {
  if (track_mode != TrackMode::kMode2Formless && !IsXa(track_mode)) return track_mode;
  const SectorCheck c = CheckSector(sector.main);
  if (!c.sync_ok || c.mode != 2) return track_mode;
  if (!c.xa) return TrackMode::kMode2Formless;
  return c.form == 2 ? TrackMode::kMode2Form2 : TrackMode::kMode2Form1;
}

ReadCdStatus CheckReadCdSelection(const ReadCdSelection& sel) {
  if (sel.expected_type > kSectorTypeMode2Form2) return ReadCdStatus::kInvalidField;
  if (((sel.main & kErrorField) >> 1) == 3) return ReadCdStatus::kInvalidField;
  if (sel.main & kReservedBit) return ReadCdStatus::kInvalidField;
  const std::uint8_t sub = sel.sub & 0x07;
  if (sub != 0 && sub != 1 && sub != 2 && sub != 4) return ReadCdStatus::kInvalidField;
  const auto hc = static_cast<std::uint8_t>((sel.main & kHeaderCodes) >> 5);
  const bool sync = sel.main & kSync;
  const bool user = sel.main & kUserData;
  const bool edc = sel.main & kEdcEcc;
  // EDC/ECC with headers but no user data would leave a hole in the sector (28h, 48h, 68h,
  // A8h, E8h).
  if (edc && !user && hc != kNoHeaders) return ReadCdStatus::kInvalidField;
  // Sync followed by anything but a header (88h, 90h, 98h).
  if (sync && hc == kNoHeaders && (user || edc)) return ReadCdStatus::kInvalidField;
  // Sync with the sub-header alone (C0h-D8h).
  if (sync && hc == kSubHeaderOnly) return ReadCdStatus::kInvalidField;
  return ReadCdStatus::kOk;
}

ReadCdStatus ReadCdBlockSize(const ReadCdSelection& sel, TrackMode mode, std::size_t* bytes) {
  *bytes = 0;
  const ReadCdStatus check = CheckReadCdSelection(sel);
  if (check != ReadCdStatus::kOk) return check;
  if (!TypeMatches(sel.expected_type, mode)) return ReadCdStatus::kIllegalModeForTrack;
  const auto hc = static_cast<std::uint8_t>((sel.main & kHeaderCodes) >> 5);
  // XA blocks: the header with user data but without the sub-header between them (30h, 38h,
  // B0h, B8h).
  if (IsXa(mode) && hc == kHeaderOnly && (sel.main & kUserData)) {
    return ReadCdStatus::kInvalidField;
  }
  const Fields f = FieldsOf(mode);
  const Selected s = Select(sel.main, mode);
  std::size_t n = 0;
  if (s.sync) n += f.sync.length;
  if (s.header) n += f.header.length;
  if (s.sub_header) n += f.sub_header.length;
  if (s.user) n += f.user.length;
  if (s.edc_ecc) n += f.edc_ecc.length;
  *bytes = n + ErrorBytes(sel.main) + SubBytes(sel.sub);
  return ReadCdStatus::kOk;
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
  const Fields f = FieldsOf(mode);
  const Selected s = Select(sel.main, mode);
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
  const std::size_t error_bytes = ErrorBytes(sel.main);
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
