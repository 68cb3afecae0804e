// A job run on the test's own thread against a virtual drive on a simulated clock (or one
// built on it), reporting to the bench itself; `stop_when` may ask the job to stop when a text
// is shown.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "device/clock.h"
#include "device/device_session.h"
#include "device/sense_table.h"
#include "emu/virtual_drive_provider.h"
#include "job/job.h"
#include "job/scripted_job_host.h"

namespace tamarack::testing {

template <typename ClockType = SimulatedClock>
class JobBench : public ScriptedJobHost {
 public:
  explicit JobBench(const std::string& id) {
    drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(clock));
    session.SetHost(&status);
    status_board = &status;
    EXPECT_TRUE(session.Open(id)) << session.OpenError();
  }
  void Run(Job& job) {
    state.Set(RunState::kRunning);
    JobContext ctx(session, *this, clock, state);
    job.Run(ctx);
  }
  void Show(JobText where, const std::string& text) override {
    ScriptedJobHost::Show(where, text);
    if (stop_when && stop_when(where, text)) state.Set(RunState::kCancelRequested);
  }

  std::function<bool(JobText, const std::string&)> stop_when;
  ClockType clock;
  DriveDirectory drives;
  StatusBoard status;  // the session's host and where the jobs' status line goes
  DeviceSession session{&drives, BuiltInSenseTable()};
  RunStateWord state;
};

}  // namespace tamarack::testing
