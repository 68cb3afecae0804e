// The faults a virtual drive injects: unreadable, flaky, corrupted and short blocks, spoilt Q
// sub-channel CRCs, blocks taken for another sector type, refused and overlong commands. Plain
// data; the drive applies it.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace tamarack::emu {

// Blocks `first` to `last`, both included.
struct BlockRange {
  std::int32_t first = 0;
  std::int32_t last = 0;
  bool Contains(std::int32_t lba) const { return lba >= first && lba <= last; }
  bool operator==(const BlockRange&) const = default;
};

struct FlakyRange {
  BlockRange blocks;
  double probability = 0.5;  // of each read of a block failing
  bool operator==(const FlakyRange&) const = default;
};

// Blocks that come with `bits` C2 error bits set (the data as it is: the drive interpolated).
struct C2Range {
  BlockRange blocks;
  std::uint32_t bits = 0;
  bool operator==(const C2Range&) const = default;
};

// An unreadable block is the worst of a damaged stretch: the blocks before it come with C2
// errors, the more the nearer, as real drives report them (64 bits the block before, 32 the
// one before that, down to 8).
inline constexpr std::int32_t kC2LeadInBlocks = 4;
inline constexpr std::uint32_t kC2LeadInBits = 64;

enum class RefusalKind {
  kHostError,  // TransportStatus::kTransportError: the host adapter lost the command
  kOsError,    // TransportStatus::kRefused: the operating system refused it (EIO)
  kDrive,      // the drive does not know it: 5/20/00, as for any opcode it lacks
};

struct FaultPlan {
  std::vector<BlockRange> bad;          // 3/11/00 on every read touching them
  std::vector<FlakyRange> flaky;        // 3/11/00 with a probability, from a seeded generator
  std::vector<BlockRange> corrupt;      // one byte flipped (and its C2 bit set)
  std::vector<BlockRange> short_reads;  // the transfer stops half-way into the block
  std::vector<BlockRange> bad_q_crc;    // the Q sub-channel's CRC comes back wrong
  std::vector<BlockRange> formless;     // Read CD takes Mode 1 blocks for Mode 2 formless ones
  std::vector<C2Range> c2;              // C2 error bits planted
  std::set<std::uint8_t> refused_opcodes;
  RefusalKind refusal = RefusalKind::kHostError;
  std::set<std::uint8_t> slow_opcodes;  // take longer than the time-out
  std::uint64_t seed = 1;

  bool IsBad(std::int32_t lba) const { return InAny(bad, lba); }
  bool IsCorrupt(std::int32_t lba) const { return InAny(corrupt, lba); }
  bool IsShort(std::int32_t lba) const { return InAny(short_reads, lba); }
  bool HasBadQCrc(std::int32_t lba) const { return InAny(bad_q_crc, lba); }
  bool IsFormless(std::int32_t lba) const { return InAny(formless, lba); }
  // The C2 error bits `lba` comes with: planted (the first range that holds it) or, when more,
  // those of the lead-in to an unreadable block after it; at most a block's 2352.
  std::uint32_t C2Bits(std::int32_t lba) const;
  // The failure probability of `lba` (0 when it is not flaky; the first range that holds it).
  double FlakyProbability(std::int32_t lba) const;
  // Some block reads fail, come back short, flipped or of another sector type.
  bool HasBlockFaults() const {
    return !bad.empty() || !flaky.empty() || !corrupt.empty() || !short_reads.empty() ||
           !formless.empty();
  }
  bool empty() const {
    return bad.empty() && flaky.empty() && corrupt.empty() && short_reads.empty() &&
           bad_q_crc.empty() && formless.empty() && c2.empty() && refused_opcodes.empty() &&
           slow_opcodes.empty();
  }

 private:
  static bool InAny(const std::vector<BlockRange>& ranges, std::int32_t lba);
};

// The byte of the 2352-byte main channel that a corruption flips: inside the user data of
// every sector type.
inline constexpr std::size_t kCorruptedByteOffset = 0x100;

}  // namespace tamarack::emu
