#include "emu/block_access.h"

#include <string>

namespace tamarack::emu {

void ChargeAccess(CommandContext& c, std::int32_t lba, std::int32_t blocks) {
  DriveUnit& u = c.unit;
  u.audio.Stop(c.now);
  if (u.spun_down) c.time += u.speed.SpinUpTime();
  u.spun_down = false;
  c.time += u.speed.SeekTime(u.head, lba);
  c.time += u.speed.TransferTime(lba, blocks);
  u.head = lba + blocks;
  u.position = blocks > 0 ? lba + blocks - 1 : lba;
}

namespace {

// An unreadable block, or a flaky one that fails this time.
bool FailsThisTime(DriveUnit& u, std::int32_t lba) {
  if (u.faults.IsBad(lba)) return true;
  const double p = u.faults.FlakyProbability(lba);
  if (p <= 0.0) return false;
  // 53 random bits as a fraction in [0, 1): the same on every platform for one seed.
  const double draw = static_cast<double>(u.flaky_rng() >> 11) * 0x1.0p-53;
  return draw < p;
}

}  // namespace

SenseCode ReadMode1Block(DriveUnit& u, std::int32_t lba, std::span<std::uint8_t, 2048> out) {
  if (FailsThisTime(u, lba)) return kUnrecoveredReadError;
  std::string error;
  if (!u.disc->ReadMode1UserData(lba, out, &error)) return kUnrecoveredReadError;
  if (u.faults.IsCorrupt(lba) && kCorruptedByteOffset >= 16 &&
      kCorruptedByteOffset < 16 + out.size()) {
    out[kCorruptedByteOffset - 16] ^= 0xFF;
  }
  return kNoSense;
}

SenseCode ReadRawBlock(DriveUnit& u, std::int32_t lba, RawSector* out) {
  if (FailsThisTime(u, lba)) return kUnrecoveredReadError;
  std::string error;
  if (!u.disc->ReadSector(lba, out, &error)) return kUnrecoveredReadError;
  if (u.faults.IsCorrupt(lba)) {
    out->main[kCorruptedByteOffset] ^= 0xFF;
    out->c2[kCorruptedByteOffset / 8] |=
        static_cast<std::uint8_t>(0x80 >> (kCorruptedByteOffset % 8));
  }
  // Planted C2 errors flag the field's first bits; the data stay as they are.
  const std::uint32_t bits = u.faults.C2Bits(lba);
  for (std::uint32_t i = 0; i < bits; ++i)
    out->c2[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
  // The last bit of the Q record (the CRC's lowest) is the Q bit of the last sub-channel byte.
  if (u.faults.HasBadQCrc(lba)) out->sub[kSubchannelSize - 1] ^= 0x40;
  return kNoSense;
}

SenseCode CheckBlockRange(const DiscLayout& layout, std::int64_t lba, std::int64_t count) {
  if (lba < 0 || lba + count > layout.LeadoutStart()) return kLbaOutOfRange;
  return kNoSense;
}

}  // namespace tamarack::emu
