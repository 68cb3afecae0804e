#include "device/read_cd_selection.h"

namespace tamarack {
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

bool IsXa(std::uint8_t sector_type) {
  return sector_type == kSectorTypeMode2Form1 || sector_type == kSectorTypeMode2Form2;
}

}  // namespace

const char* SectorTypeName(std::uint8_t sector_type) {
  switch (sector_type) {
    case kSectorTypeAny:
      return "any";
    case kSectorTypeCdda:
      return "CD-DA";
    case kSectorTypeMode1:
      return "Mode 1";
    case kSectorTypeMode2Formless:
      return "Mode 2 formless";
    case kSectorTypeMode2Form1:
      return "Mode 2 form 1";
    case kSectorTypeMode2Form2:
      return "Mode 2 form 2";
    default:
      return "reserved";
  }
}

ReadCdSelection ReadCdSelection::FromCdb(std::span<const std::uint8_t> cdb) {
  ReadCdSelection s;
  s.expected_type = cdb.size() > 1 ? static_cast<std::uint8_t>((cdb[1] >> 2) & 0x07) : 0;
  s.main = cdb.size() > 9 ? cdb[9] : 0;
  s.sub = cdb.size() > 10 ? static_cast<std::uint8_t>(cdb[10] & 0x07) : 0;
  return s;
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

SectorFields SectorFieldsOf(std::uint8_t sector_type) {
  switch (sector_type) {
    case kSectorTypeCdda:
      return {{0, 0}, {0, 0}, {0, 0}, {0, 2352}, {0, 0}};
    case kSectorTypeMode1:
      return {{0, 12}, {12, 4}, {16, 0}, {16, 2048}, {2064, 288}};
    case kSectorTypeMode2Formless:
      return {{0, 12}, {12, 4}, {16, 0}, {16, 2336}, {2352, 0}};
    case kSectorTypeMode2Form1:
      return {{0, 12}, {12, 4}, {16, 8}, {24, 2048}, {2072, 280}};
    case kSectorTypeMode2Form2:
      // MMC counts the four spare bytes at the end (the optional EDC) as user data.
      return {{0, 12}, {12, 4}, {16, 8}, {24, 2328}, {2352, 0}};
    default:
      return {};
  }
}

SelectedFields SelectFields(std::uint8_t main, std::uint8_t sector_type) {
  SelectedFields s;
  if (sector_type == kSectorTypeCdda) {
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

std::size_t ErrorFieldBytes(std::uint8_t main) {
  switch ((main & kErrorField) >> 1) {
    case 1:
      return kReadCdC2Bytes;
    case 2:
      return kReadCdC2Bytes + 2;
    default:
      return 0;
  }
}

std::size_t SubChannelBytes(std::uint8_t sub) {
  switch (sub & 0x07) {
    case 1:
      return kReadCdSubChannelBytes;
    case 2:
      return 16;
    case 4:
      return kReadCdSubChannelBytes;
    default:
      return 0;
  }
}

ReadCdStatus ReadCdBytesPerBlock(const ReadCdSelection& sel, std::uint8_t sector_type,
                                 std::size_t* bytes) {
  *bytes = 0;
  const ReadCdStatus check = CheckReadCdSelection(sel);
  if (check != ReadCdStatus::kOk) return check;
  if (sector_type < kSectorTypeCdda || sector_type > kSectorTypeMode2Form2) {
    return ReadCdStatus::kInvalidField;
  }
  if (sel.expected_type != kSectorTypeAny && sel.expected_type != sector_type) {
    return ReadCdStatus::kIllegalModeForTrack;
  }
  const auto hc = static_cast<std::uint8_t>((sel.main & kHeaderCodes) >> 5);
  // XA blocks: the header with user data but without the sub-header between them (30h, 38h,
  // B0h, B8h).
  if (IsXa(sector_type) && hc == kHeaderOnly && (sel.main & kUserData)) {
    return ReadCdStatus::kInvalidField;
  }
  const SectorFields f = SectorFieldsOf(sector_type);
  const SelectedFields s = SelectFields(sel.main, sector_type);
  std::size_t n = 0;
  if (s.sync) n += f.sync.length;
  if (s.header) n += f.header.length;
  if (s.sub_header) n += f.sub_header.length;
  if (s.user) n += f.user.length;
  if (s.edc_ecc) n += f.edc_ecc.length;
  *bytes = n + ErrorFieldBytes(sel.main) + SubChannelBytes(sel.sub);
  return ReadCdStatus::kOk;
}

}  // namespace tamarack
