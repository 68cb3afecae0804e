#include "emu/fault_plan.h"

namespace tamarack::emu {

bool FaultPlan::InAny(const std::vector<BlockRange>& ranges, std::int32_t lba) {
  for (const BlockRange& r : ranges) {
    if (r.Contains(lba)) return true;
  }
  return false;
}

double FaultPlan::FlakyProbability(std::int32_t lba) const {
  for (const FlakyRange& f : flaky) {
    if (f.blocks.Contains(lba)) return f.probability;
  }
  return 0.0;
}

}  // namespace tamarack::emu
