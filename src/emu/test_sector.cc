#include "emu/test_sector.h"

#include <cstring>

#include "emu/audio_signal.h"
#include "emu/cd_address.h"

namespace tamarack::emu {

void FillPattern(std::uint64_t seed, std::span<std::uint8_t> bytes) {
  std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull;
  std::size_t i = 0;
  while (i < bytes.size()) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    const std::size_t n = bytes.size() - i < 8 ? bytes.size() - i : 8;
    std::memcpy(bytes.data() + i, &x, n);
    i += n;
  }
}

std::uint16_t TestSectorChecksum(std::span<const std::uint8_t> sector) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < kTestSectorChecksumOffset && i + 1 < sector.size(); i += 2) {
    sum += static_cast<std::uint32_t>(sector[i] | sector[i + 1] << 8);
  }
  return static_cast<std::uint16_t>(sum);
}

void FillTestSector(std::int32_t lba, std::span<std::uint8_t> user) {
  if (user.size() < kTestSectorSize) return;
  FillPattern(static_cast<std::uint64_t>(static_cast<std::uint32_t>(lba)), user);
  const Msf m = LbaToMsf(lba);
  char text[10];
  text[0] = static_cast<char>('0' + (m.minutes / 10) % 10);
  text[1] = static_cast<char>('0' + m.minutes % 10);
  text[2] = 'm';
  text[3] = static_cast<char>('0' + m.seconds / 10);
  text[4] = static_cast<char>('0' + m.seconds % 10);
  text[5] = 's';
  text[6] = static_cast<char>('0' + m.frames / 10);
  text[7] = static_cast<char>('0' + m.frames % 10);
  text[8] = 'f';
  std::memcpy(user.data() + kTestSectorTextOffset, text, 9);
  const std::uint16_t sum = TestSectorChecksum(user.first(kTestSectorSize));
  user[kTestSectorChecksumOffset] = static_cast<std::uint8_t>(sum);
  user[kTestSectorChecksumOffset + 1] = static_cast<std::uint8_t>(sum >> 8);
}

void FillMixedDiscContent(const TrackInfo& track, std::int32_t lba, std::span<std::uint8_t> user) {
  if (track.mode == TrackMode::kAudio) {
    FillTone(track.number, lba, user);
  } else {
    FillTestSector(lba, user);
  }
}

}  // namespace tamarack::emu
