// What a CD-ROM sector's own bytes say about it (ECMA-130 and the CD-ROM XA extension): its sync,
// mode and form, and whether its EDC and ECC match its data. The virtual drive checks what it
// encodes with it, and a host checks what a drive returned: a sector that fails was read wrong,
// whatever the drive's status said.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tamarack {

inline constexpr std::size_t kCdSectorBytes = 2352;

inline constexpr std::array<std::uint8_t, 12> kSyncPattern = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                              0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

struct SectorCheck {
  bool sync_ok = false;
  int mode = -1;        // header byte 15, or -1 without sync
  bool xa = false;      // Mode 2 with matching sub-header copies
  int form = 0;         // 1 or 2 for XA sectors
  bool edc_ok = false;  // true when the EDC matches (form 2: or is zero, i.e. absent)
  bool ecc_ok = false;  // true when P and Q syndromes are zero (formless, form 2: true)
  int bad_p = 0;
  int bad_q = 0;
  bool Ok() const { return sync_ok && edc_ok && ecc_ok; }
};
SectorCheck CheckSector(std::span<const std::uint8_t, kCdSectorBytes> sector);

// The host's check of a whole 2352-byte block read with its sync, header, EDC and ECC.
enum class EdcVerdict {
  kGood,       // the sector's EDC (and ECC) match its data, its header names its address
  kFailed,     // sync and mode, but the EDC or ECC does not match, or the header names another
               // block: the drive returned wrong or partly unsent data
  kNoSync,     // no sync pattern where a data sector has one (an unsent, zeroed or padded tail)
  kUnchecked,  // a sector that carries no EDC to check: Mode 2 formless, form 2 without one
};

// "good", "EDC/ECC mismatch", "no sync", "no EDC".
const char* EdcVerdictText(EdcVerdict verdict);

// Checks the block at `lba` (its header's MSF is `lba` + 150). `ecc`: the P and Q parity too
// (Mode 1, Mode 2 form 1), which costs about as much again as the EDC.
EdcVerdict VerifySectorEdc(std::span<const std::uint8_t, kCdSectorBytes> sector, std::int64_t lba,
                           bool ecc = false);

// Where the user data of a checked data sector lie: Mode 1 and form 1 2048 bytes at 16 and 24,
// form 2 2324 at 24, formless Mode 2 2336 at 16; {0, 0} without sync or of an unknown mode.
struct UserDataSpan {
  std::size_t offset = 0;
  std::size_t size = 0;
};
UserDataSpan UserDataOfSector(const SectorCheck& check);

}  // namespace tamarack
