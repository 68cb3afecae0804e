#include "device/clock.h"

#include <thread>

namespace tamarack {

Clock::Duration SteadyClock::Now() const {
  return std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyClock::Sleep(Duration d) {
  if (d.count() > 0) std::this_thread::sleep_for(d);
}

Clock& RealClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace tamarack
