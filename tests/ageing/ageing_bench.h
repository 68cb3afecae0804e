// An ageing run against a virtual drive on a simulated clock, run on the test's own thread,
// with a scripted host, a fixed seed and log times from a fixed UTC origin.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "ageing/ageing_command_table.h"
#include "ageing/ageing_job.h"
#include "device/clock.h"
#include "device/command_trace.h"
#include "job/job_bench.h"
#include "temp_dir.h"
#include "util/strings.h"

namespace tamarack::testing {

// 01/02/2026 03:04:05 UTC.
inline constexpr std::time_t kLogOrigin = 1767323045;

// A simulated clock that asks the run to stop (`stop_with`: cancel, or an interruption) during
// its `cancel_at`-th pause of `pause_ms` (the pause itself still passes whole).
class PauseCancelClock final : public Clock {
 public:
  Duration Now() const override { return clock.Now(); }
  void Sleep(Duration d) override {
    if (state != nullptr && d == std::chrono::milliseconds(pause_ms) && ++pauses == cancel_at) {
      state->Change(RunState::kRunning, stop_with);
    }
    clock.Sleep(d);
  }
  SimulatedClock clock;
  RunStateWord* state = nullptr;
  int pause_ms = 0;
  int cancel_at = 0;
  int pauses = 0;
  RunState stop_with = RunState::kCancelRequested;
};

struct AgeingBench : JobBench<PauseCancelClock> {
  explicit AgeingBench(const std::string& id) : JobBench(id) { clock.state = &state; }

  // Settings for a text log in the bench's folder.
  AgeingSettings Settings() const {
    AgeingSettings s;
    s.log_path = dir.File("log.txt");
    s.log_html = false;
    s.log_options = LogOptionWord(LogWhat::kAll, LogDetail::kDetailed);
    s.display_received = false;
    return s;
  }

  // A fixed seed, log times from kLogOrigin in UTC.
  AgeingResult Run(const AgeingSettings& s) {
    AgeingRunOptions o;
    o.seed = 1;
    o.time_origin = kLogOrigin;
    o.utc_times = true;
    AgeingJob job(s, o);
    JobBench::Run(job);
    return job.result();
  }

  // Records the drive's commands in trace.jsonl of the bench's folder.
  void StartTrace() {
    std::string error;
    ASSERT_TRUE(
        drives.Trace().Start(dir.File("trace.jsonl"), CommandTrace::Mode::kTruncate, &error))
        << error;
  }

  std::string Log(const std::string& name = "log.txt") const {
    const std::vector<std::uint8_t> bytes = dir.Read(name);
    return {bytes.begin(), bytes.end()};
  }

  TempDir dir{"tamarack-ageing-"};
};

// A reference file of blocks lo..hi read from a clean type13 drive with Read(10).
inline void CaptureReference(const std::string& path, std::int32_t lo, std::int32_t hi) {
  AgeingBench clean("emu:type13?speed=max");
  std::vector<std::uint8_t> all;
  for (std::int32_t lba = lo; lba <= hi; ++lba) {
    std::vector<std::uint8_t> block(2048);
    Cdb cdb = MakeCdb({0x28});
    WriteAgeingAddress(cdb, static_cast<std::uint32_t>(lba), 1);
    ASSERT_EQ(clean.session.Run(cdb, block).status, CommandStatus::kGood);
    all.insert(all.end(), block.begin(), block.end());
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(all.data()), static_cast<std::streamsize>(all.size()));
}

// The number of lines of `text` that hold `part` (that start with it: `at_start`).
inline int CountLines(const std::string& text, const std::string& part, bool at_start = false) {
  int n = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const std::size_t at = line.find(part);
    n += at == 0 || (!at_start && at != std::string::npos);
  }
  return n;
}

}  // namespace tamarack::testing
