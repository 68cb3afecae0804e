// One command without data as a job (Eject, Load): it waits its turn on the job frame instead
// of blocking the window while the drive moves its tray.
#pragma once

#include "device/device_session.h"
#include "device/scsi.h"
#include "job/job.h"

namespace tamarack {

class SingleCommandJob final : public Job {
 public:
  explicit SingleCommandJob(const Cdb& cdb) : cdb_(cdb) {}
  void Run(JobContext& ctx) override {
    ctx.host().SetBusy(true);
    outcome_ = ctx.session().Run(cdb_, {});
    ctx.host().SetBusy(false);
  }
  // Read after the host's Finished call.
  const CommandOutcome& outcome() const { return outcome_; }

 private:
  Cdb cdb_;
  CommandOutcome outcome_;
};

}  // namespace tamarack
