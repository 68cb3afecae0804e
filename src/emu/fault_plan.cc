#include "emu/fault_plan.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tamarack::emu {

bool FaultPlan::InAny(const std::vector<BlockRange>& ranges, std::int32_t lba) {
  for (const BlockRange& r : ranges) {
    if (r.Contains(lba)) return true;
  }
  return false;
}

std::uint32_t FaultPlan::C2Bits(std::int32_t lba) const {
  std::uint32_t bits = 0;
  for (const C2Range& r : c2) {
    if (r.blocks.Contains(lba)) {
      bits = r.bits;
      break;
    }
  }
  for (std::int32_t d = 1; d <= kC2LeadInBlocks; ++d) {
    if (lba <= std::numeric_limits<std::int32_t>::max() - d && IsBad(lba + d)) {
      bits = std::max(bits, kC2LeadInBits >> (d - 1));
      break;
    }
  }
  return std::min<std::uint32_t>(bits, 2352);
}

double FaultPlan::FlakyProbability(std::int32_t lba) const {
  for (const FlakyRange& f : flaky) {
    if (f.blocks.Contains(lba)) return f.probability;
  }
  return 0.0;
}

}  // namespace tamarack::emu
