#include "serve/blocked_stop_signals.h"

#include <pthread.h>

#include <ctime>

namespace tamarack::serve {

namespace {

void IgnoreSignal(int) {}

}  // namespace

BlockedStopSignals::BlockedStopSignals() {
  sigemptyset(&set_);
  struct sigaction action {};
  action.sa_handler = &IgnoreSignal;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 2; ++i) {
    sigaddset(&set_, kSignals[i]);
    sigaction(kSignals[i], &action, &old_actions_[i]);
  }
  pthread_sigmask(SIG_BLOCK, &set_, &old_mask_);
}

BlockedStopSignals::~BlockedStopSignals() {
  pthread_sigmask(SIG_SETMASK, &old_mask_, nullptr);
  for (int i = 0; i < 2; ++i) sigaction(kSignals[i], &old_actions_[i], nullptr);
}

bool BlockedStopSignals::Wait() {
  const timespec second{1, 0};
  return sigtimedwait(&set_, nullptr, &second) > 0;
}

}  // namespace tamarack::serve
