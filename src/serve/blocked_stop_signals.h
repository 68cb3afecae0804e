// The stop signals (SIGINT, SIGTERM) of a serving run, taken on one thread.
#pragma once

#include <signal.h>

namespace tamarack::serve {

// Signals are taken by sigwait on this thread; the workers start with them blocked. A handler
// of its own is set first: a shell starts a background job with SIGINT ignored, and an ignored
// signal never reaches sigwait.
class BlockedStopSignals {
 public:
  BlockedStopSignals();
  ~BlockedStopSignals();
  BlockedStopSignals(const BlockedStopSignals&) = delete;
  BlockedStopSignals& operator=(const BlockedStopSignals&) = delete;
  // Waits up to a second; true when a stop signal came.
  bool Wait();

 private:
  static constexpr int kSignals[2] = {SIGINT, SIGTERM};
  sigset_t set_, old_mask_;
  struct sigaction old_actions_[2];
};

}  // namespace tamarack::serve
