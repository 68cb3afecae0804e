#include "device/clock.h"

#include <ctime>
#include <thread>

namespace tamarack {

Clock::Duration SteadyClock::Now() const { return MonotonicNow(); }

void SteadyClock::Sleep(Duration d) {
  if (d.count() > 0) std::this_thread::sleep_for(d);
}

Clock::Duration MonotonicNow() {
  // std::chrono::steady_clock's own clock, read without its extra call.
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return std::chrono::duration_cast<Clock::Duration>(std::chrono::seconds(t.tv_sec) +
                                                     std::chrono::nanoseconds(t.tv_nsec));
}

Clock& RealClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace tamarack
