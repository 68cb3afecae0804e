// An ageing run of 10 million commands on the simulated clock (the modelled drive at 48x, so
// the run's clock moves), checking every sector and logging everything (all commands, detailed,
// HTML) to /dev/null: prints the peak resident size after 100 000 commands and at the end.
// Memory must stay flat: the two peaks within 1 MiB.
#include <sys/resource.h>

#include <cstdio>
#include <memory>

#include "ageing/ageing_job.h"
#include "device/clock.h"
#include "device/device_session.h"
#include "device/sense_table.h"
#include "emu/virtual_drive_provider.h"
#include "job/job.h"

namespace {

long PeakKib() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

class PeakHost final : public tamarack::JobHost {
 public:
  void Progress(const tamarack::JobProgress& p) override {
    if (early_ == 0 && p.done >= 100000) early_ = PeakKib();
    done_ = p.done;
  }
  long early() const { return early_; }

 private:
  long early_ = 0;
  std::uint64_t done_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace tamarack;
  // Loops of 200 000 commands (Start 0, End 99 999, Step 1: the counted random-and-step
  // budget); 50 loops by default.
  const int loops = argc > 1 ? std::atoi(argv[1]) : 50;
  SimulatedClock clock;
  DriveDirectory drives;
  drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(clock));
  DeviceSession session(&drives, BuiltInSenseTable());
  if (!session.Open("emu:type13")) return 2;
  AgeingSettings s;
  s.start_lba = 0;
  s.end_lba = 99999;
  s.step = 1;
  s.loop_count = loops;
  s.transfer_length = 1;
  s.mode.set_method(static_cast<int>(LbaMethod::kRandomAndStep));
  s.mode.set_loop(static_cast<int>(LoopMode::kCounted));
  s.data_check = true;
  s.data_check_type = DataCheckType::kType13;
  s.log_options = LogOptionWord(LogWhat::kAll, LogDetail::kDetailed);
  s.log_html = true;
  s.log_path = "/dev/null";
  PeakHost host;
  RunStateWord word;
  word.Set(RunState::kRunning);
  AgeingRunOptions o;
  o.seed = 1;
  AgeingJob job(s, o);
  JobContext ctx(session, host, clock, word);
  job.Run(ctx);
  const long end = PeakKib();
  const AgeingResult& r = job.result();
  std::printf("commands %lld, data OK %lld, data NG %lld\n", static_cast<long long>(r.commands),
              static_cast<long long>(r.counts.data_ok), static_cast<long long>(r.counts.data_ng));
  std::printf("peak RSS after 100000 commands: %ld KiB\n", host.early());
  std::printf("peak RSS at the end:            %ld KiB (%+ld KiB)\n", end, end - host.early());
  return end - host.early() <= 1024 ? 0 : 1;
}
