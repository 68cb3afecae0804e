// Time as the system sees it: a steady "now" and a sleep. The real clock is the default;
// tests and the virtual drive use SimulatedClock so that long runs take no wall time and give
// the same samples every time.
#pragma once

#include <atomic>
#include <chrono>

namespace tamarack {

class Clock {
 public:
  using Duration = std::chrono::microseconds;
  virtual ~Clock() = default;
  // Time since an arbitrary fixed point; never goes backwards. Thread-safe.
  virtual Duration Now() const = 0;
  // Lets `d` pass. Thread-safe.
  virtual void Sleep(Duration d) = 0;
};

// The machine's steady clock.
class SteadyClock final : public Clock {
 public:
  Duration Now() const override;
  void Sleep(Duration d) override;
};

// A clock that only moves when asked to: Sleep() advances it at once.
class SimulatedClock final : public Clock {
 public:
  explicit SimulatedClock(Duration start = Duration{0}) : now_(start.count()) {}
  Duration Now() const override { return Duration{now_.load()}; }
  void Sleep(Duration d) override { Advance(d); }
  void Advance(Duration d) { now_.fetch_add(d.count()); }

 private:
  std::atomic<Duration::rep> now_;
};

// The process's steady clock, shared (it has no state).
Clock& RealClock();

// The time on the monotonic clock SteadyClock reads, without a virtual call: the pass-through
// paths time every command with it.
inline Clock::Duration MonotonicNow() {
  return std::chrono::duration_cast<Clock::Duration>(
      std::chrono::steady_clock::now().time_since_epoch());
}

}  // namespace tamarack
