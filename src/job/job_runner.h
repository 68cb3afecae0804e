// The job frame: one worker thread per drive session that runs one job at a time, the run
// state word the window and the worker share, and the interplay between a running job and the
// rest of the window (cancel, interruption check, a command from another tab).
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "device/clock.h"
#include "device/device_session.h"
#include "job/job.h"
#include "job/job_host.h"
#include "job/run_state.h"

namespace tamarack {

enum class StartPolicy {
  kRefuseWhileRunning,  // a second Exec on the same tab while its job runs does nothing
  kCancelRunning,       // a command from another tab cancels the running job, then runs
};

enum class StartResult {
  kStarted,
  kQueued,  // the running job was asked to cancel; this one runs when it has finished
  kBusy,    // nothing started
};

// Window-thread object (or the CLI's main thread): Start, RequestCancel, Interrupt and Wait
// are called from there, never from the worker. `session` and `clock` must outlive the runner,
// and every host must outlive its job's Finished call. The destructor interrupts a running job
// and waits for it.
class JobRunner {
 public:
  explicit JobRunner(DeviceSession& session, Clock& clock = RealClock());
  DeviceSession& session() const { return session_; }
  ~JobRunner();
  JobRunner(const JobRunner&) = delete;
  JobRunner& operator=(const JobRunner&) = delete;

  StartResult Start(std::shared_ptr<Job> job, JobHost& host,
                    StartPolicy policy = StartPolicy::kRefuseWhileRunning);

  // True from Start until the last job has ended (its state goes idle just before its
  // Finished call, so a window reacting to Finished can start the next job).
  bool running() const;
  RunState state() const { return state_.Get(); }
  // The job being run, or null.
  std::shared_ptr<Job> current() const;

  // Cancel (the Exec button pressed again, or `cause`): running -> cancel requested.
  void RequestCancel(CancelCause cause = CancelCause::kCancel);
  // The interruption check before closing, ejecting, saving or opening a dialog that needs the
  // drive: a running job gets its interrupt state; true when one was running (the caller then
  // refuses the action where its rules say so).
  bool Interrupt(InterruptReason reason);
  // Waits until no job runs.
  void Wait();

  Clock& clock() { return clock_; }

 private:
  struct Entry {
    std::shared_ptr<Job> job;
    JobHost* host = nullptr;
  };
  void WorkerLoop(Entry first);

  DeviceSession& session_;
  Clock& clock_;
  RunStateWord state_;
  mutable std::mutex mutex_;
  std::condition_variable idle_;
  bool running_ = false;
  Entry current_;
  Entry queued_;
  std::thread thread_;
};

}  // namespace tamarack
