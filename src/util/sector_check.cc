#include "util/sector_check.h"

#include <algorithm>
#include <cstring>

#include "util/ecc.h"
#include "util/edc.h"

namespace tamarack {
namespace {

// The sub-mode's form bit of an XA sub-header.
constexpr std::uint8_t kForm2Submode = 0x20;

using Sector = std::span<const std::uint8_t, kCdSectorBytes>;

std::uint32_t StoredEdc(Sector s, std::size_t at) {
  return static_cast<std::uint32_t>(s[at]) | static_cast<std::uint32_t>(s[at + 1]) << 8 |
         static_cast<std::uint32_t>(s[at + 2]) << 16 | static_cast<std::uint32_t>(s[at + 3]) << 24;
}

bool EdcMatches(Sector s, std::size_t from, std::size_t to) {
  return ComputeEdc(s.subspan(from, to - from)) == StoredEdc(s, to);
}

// The P and Q parity of a Mode 1 sector (with its zero intermediate field) or, over a zeroed
// header as the XA standard says, of a form 1 sector.
EccCheck EccOf(Sector s, int mode) {
  if (mode == 1) return CheckEcc(s);
  std::array<std::uint8_t, kCdSectorBytes> copy;
  std::copy(s.begin(), s.end(), copy.begin());
  std::memset(copy.data() + 12, 0, 4);
  return CheckEcc(copy);
}

int Bcd(std::uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

// The header's MSF as an LBA (MSF 00:02:00 is LBA 0).
std::int64_t HeaderLba(Sector s) {
  return (static_cast<std::int64_t>(Bcd(s[12])) * 60 + Bcd(s[13])) * 75 + Bcd(s[14]) - 150;
}

}  // namespace

SectorCheck CheckSector(Sector s) {
  SectorCheck c;
  c.sync_ok = std::equal(kSyncPattern.begin(), kSyncPattern.end(), s.begin());
  if (!c.sync_ok) return c;
  c.mode = s[15];
  if (c.mode == 1) {
    c.edc_ok = EdcMatches(s, 0, 2064);
    const EccCheck e = EccOf(s, 1);
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
  c.form = (s[18] & kForm2Submode) ? 2 : 1;
  if (c.form == 2) {
    c.edc_ok = StoredEdc(s, 2348) == 0 || EdcMatches(s, 16, 2348);
    c.ecc_ok = true;
    return c;
  }
  c.edc_ok = EdcMatches(s, 16, 2072);
  const EccCheck e = EccOf(s, 2);
  c.bad_p = e.bad_p;
  c.bad_q = e.bad_q;
  c.ecc_ok = e.Ok();
  return c;
}

const char* EdcVerdictText(EdcVerdict verdict) {
  switch (verdict) {
    case EdcVerdict::kGood:
      return "good";
    case EdcVerdict::kFailed:
      return "EDC/ECC mismatch";
    case EdcVerdict::kNoSync:
      return "no sync";
    case EdcVerdict::kUnchecked:
      return "no EDC";
  }
  return "?";
}

EdcVerdict VerifySectorEdc(Sector s, std::int64_t lba, bool ecc) {
  if (!std::equal(kSyncPattern.begin(), kSyncPattern.end(), s.begin())) return EdcVerdict::kNoSync;
  const int mode = s[15];
  // A header naming another block: the drive sent another block's bytes (or a stale buffer's).
  if (HeaderLba(s) != lba) return EdcVerdict::kFailed;
  bool edc = false;
  if (mode == 1) {
    edc = EdcMatches(s, 0, 2064);
  } else if (mode == 2) {
    if (!std::equal(s.begin() + 16, s.begin() + 20, s.begin() + 20)) return EdcVerdict::kUnchecked;
    if (s[18] & kForm2Submode) {
      if (StoredEdc(s, 2348) == 0) return EdcVerdict::kUnchecked;
      return EdcMatches(s, 16, 2348) ? EdcVerdict::kGood : EdcVerdict::kFailed;
    }
    edc = EdcMatches(s, 16, 2072);
  } else {
    return EdcVerdict::kFailed;  // no mode a data sector has: not the block's bytes
  }
  if (!edc) return EdcVerdict::kFailed;
  if (ecc && !EccOf(s, mode).Ok()) return EdcVerdict::kFailed;
  return EdcVerdict::kGood;
}

UserDataSpan UserDataOfSector(const SectorCheck& c) {
  if (!c.sync_ok) return {};
  if (c.mode == 1) return {16, 2048};
  if (c.mode != 2) return {};
  if (!c.xa) return {16, 2336};
  return c.form == 2 ? UserDataSpan{24, 2324} : UserDataSpan{24, 2048};
}

}  // namespace tamarack
