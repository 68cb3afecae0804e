#include "emu/drive_unit.h"

namespace tamarack::emu {

DriveUnit::DriveUnit(std::unique_ptr<Disc> d, SpeedSetting speed_setting, FaultPlan fault_plan)
    : disc(std::move(d)),
      speed(speed_setting),
      faults(std::move(fault_plan)),
      flaky_rng(faults.seed),
      unit_attention(kPowerOnOccurred) {}

}  // namespace tamarack::emu
