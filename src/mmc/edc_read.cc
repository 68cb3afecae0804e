#include "mmc/edc_read.h"

#include <cstring>

#include "util/sector_check.h"

namespace tamarack {

Cdb EdcReadCdb(std::uint32_t lba, std::uint32_t blocks) {
  return ReadCdCdb(lba, blocks, ReadCdSelection{.main = kEdcReadSelection});
}

std::uint32_t VerifyAndCompact(std::span<std::uint8_t> bytes, std::int64_t lba,
                               std::uint32_t blocks, std::vector<bool>* failed) {
  failed->assign(blocks, false);
  std::uint32_t bad = 0;
  for (std::uint32_t i = 0; i < blocks; ++i) {
    std::uint8_t* block = bytes.data() + std::size_t{i} * kEdcReadBlockBytes;
    const std::span<const std::uint8_t, kCdSectorBytes> sector(block, kCdSectorBytes);
    const bool mode1 = block[15] == 1;
    // A form 2 block carries an EDC too, but not over 2048 bytes: it is no block of this track.
    const bool form1 = block[15] == 2 && (block[18] & 0x20) == 0;
    if ((!mode1 && !form1) || VerifySectorEdc(sector, lba + i) != EdcVerdict::kGood) {
      (*failed)[i] = true;
      ++bad;
    }
    // Forwards only: user data i lands at or before where block i began.
    std::memmove(bytes.data() + std::size_t{i} * kEdcUserBytes, block + (mode1 ? 16 : 24),
                 kEdcUserBytes);
  }
  return bad;
}

}  // namespace tamarack
