// A long job: a core class that runs on the job frame's worker thread and talks to the world
// only through its JobContext (the session, the host, the clock and the run state word).
#pragma once

#include "device/clock.h"
#include "device/device_session.h"
#include "job/job_host.h"
#include "job/run_state.h"

namespace tamarack {

// Why the window asks a running job to stop before it acts.
enum class InterruptReason { kClose, kEject, kDialog, kSaveOrLoad };

constexpr CancelCause CauseOf(InterruptReason reason) {
  switch (reason) {
    case InterruptReason::kClose:
      return CancelCause::kClose;
    case InterruptReason::kEject:
      return CancelCause::kEject;
    case InterruptReason::kDialog:
      return CancelCause::kDialog;
    case InterruptReason::kSaveOrLoad:
      return CancelCause::kSaveOrLoad;
  }
  return CancelCause::kNone;
}

// Everything a running job may use. Lives on the worker thread for the job's run.
class JobContext {
 public:
  JobContext(DeviceSession& session, JobHost& host, Clock& clock, RunStateWord& state)
      : session_(session), host_(host), clock_(clock), state_(state) {}

  DeviceSession& session() { return session_; }
  JobHost& host() { return host_; }
  Clock& clock() { return clock_; }
  RunState state() const { return state_.Get(); }
  // True once a cancel, an interruption or a data error asked the job to stop.
  bool stop_requested() const { return StopRequested(state_.Get()); }
  // What asked the job to stop (kNone while nothing did, and for a data error).
  CancelCause cancel_cause() const { return state_.cause(); }
  // A data error with "stop on data error" set: the job stops after this command.
  void StopOnDataError() { state_.Change(RunState::kRunning, RunState::kDataError); }

 private:
  DeviceSession& session_;
  JobHost& host_;
  Clock& clock_;
  RunStateWord& state_;
};

class Job {
 public:
  virtual ~Job() = default;
  // Runs the whole job on the worker thread; polls ctx.stop_requested() between commands and
  // returns when it is done or asked to stop. Reports through ctx.host().
  virtual void Run(JobContext& ctx) = 0;
  // The state an interruption check sets: the ageing run records the interruption (3), a
  // measurement treats it as a stop request (2).
  virtual RunState InterruptState() const { return RunState::kInterrupted; }
  // Long reads run below the window's priority; a job may opt out.
  virtual bool LowPriority() const { return true; }
};

}  // namespace tamarack
