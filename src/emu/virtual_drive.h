// A CD/DVD drive in software: a Transport that answers MMC commands from a disc model, with
// real sense data, a timing model and a fault plan.
#pragma once

#include <memory>
#include <string>

#include "device/clock.h"
#include "device/transport.h"
#include "emu/drive_unit.h"
#include "emu/resid_mode.h"

namespace tamarack::emu {

// A handle on a DriveUnit. Several handles may share one unit (each Execute locks it), as
// several opens of one real drive do. Time passes on `clock`, which must outlive the handle.
// `resid` is how the path to the drive delivers data-in replies (see resid_mode.h).
class VirtualDrive final : public Transport {
 public:
  VirtualDrive(std::string id, std::shared_ptr<DriveUnit> unit, Clock& clock,
               ResidMode resid = ResidMode::kExact);
  // A drive of its own with `disc` in it (null: no medium).
  VirtualDrive(std::string id, std::unique_ptr<Disc> disc, Clock& clock, SpeedSetting speed = {},
               FaultPlan faults = {});

  // The one dispatcher: fault plan, unit attention, medium present, the command's handler,
  // sense data, allocation-length truncation, the path's transferred count and the modelled
  // time.
  ScsiResult Execute(const ScsiRequest& request) override;
  bool GetAddress(ScsiAddress* address) override;
  std::string Id() const override { return id_; }

  DriveUnit& unit() { return *unit_; }

 private:
  // Lets `d` pass on the clock, paying back earlier oversleeping.
  void Spend(Clock::Duration d);

  std::string id_;
  std::shared_ptr<DriveUnit> unit_;
  Clock& clock_;
  ResidMode resid_;
};

}  // namespace tamarack::emu
