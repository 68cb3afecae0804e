#include "device/clock.h"

#include <thread>

namespace tamarack {

[[gnu::hot]] Clock::Duration SteadyClock::Now() const { return MonotonicNow(); }

void SteadyClock::Sleep(Duration d) {
  if (d.count() > 0) std::this_thread::sleep_for(d);
}

Clock& RealClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace tamarack
