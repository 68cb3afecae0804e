// What an ageing run costs on top of its reads: the same Read CD commands (16 blocks of user
// data, stepping through the type13 disc) sent bare through the session, and sent by an
// AgeingJob that checks every sector (Type1.3) and logs every command, both against the
// virtual drive at unlimited speed. The difference per command is the engine, the check and
// the log.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "ageing/ageing_command_table.h"
#include "ageing/ageing_job.h"
#include "device/clock.h"
#include "device/device_session.h"
#include "device/sense_table.h"
#include "emu/virtual_drive_provider.h"
#include "job/job.h"
#include "mmc/block_read.h"

namespace tamarack {
namespace {

constexpr std::int32_t kBlocks = 16;
constexpr std::int32_t kCommands = 4000;

struct Drive {
  Drive() {
    drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(clock));
    session.Open("emu:type13?speed=max");
  }
  SimulatedClock clock;
  DriveDirectory drives;
  DeviceSession session{&drives, BuiltInSenseTable()};
};

// The bare reads: the buffer filled with 5Ah and the command sent, as the run does.
void BM_PlainReads(benchmark::State& state) {
  Drive d;
  std::vector<std::uint8_t> buffer(kBlocks * kBlockRoom);
  Cdb cdb = AgeingCommandCdb(AgeingSettings{});
  std::int64_t bytes = 0;
  for (auto _ : state) {
    for (std::int32_t i = 0; i < kCommands; ++i) {
      WriteAgeingAddress(cdb, static_cast<std::uint32_t>(i * kBlocks), kBlocks);
      const std::size_t request = kBlocks * 2048;
      std::fill_n(buffer.begin(), request, 0x5A);
      const CommandOutcome o = d.session.Run(cdb, std::span<std::uint8_t>(buffer).first(request));
      bytes += o.result.transferred;
    }
  }
  state.SetBytesProcessed(bytes);
  state.counters["commands/s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kCommands), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainReads)->Unit(benchmark::kMillisecond);

// The run: once over kCommands x kBlocks blocks, Type1.3 check, a log of every command
// (state.range(0): 0 no log, 1 simple, 2 detailed) to /dev/null.
void BM_AgeingRun(benchmark::State& state) {
  Drive d;
  AgeingSettings s;
  s.start_lba = 0;
  s.end_lba = kCommands * kBlocks - 1;
  s.step = kBlocks;
  s.transfer_length = kBlocks;
  s.mode.set_loop(static_cast<int>(LoopMode::kOnce));
  s.data_check = true;
  s.data_check_type = DataCheckType::kType13;
  s.display_received = false;
  s.log_path = "/dev/null";
  s.log_html = false;
  const auto level = state.range(0);
  s.log_options = level == 0 ? LogOptionWord(LogWhat::kNothing, LogDetail::kSimple)
                             : LogOptionWord(LogWhat::kAll, level == 1 ? LogDetail::kSimple
                                                                       : LogDetail::kDetailed);
  JobHost host;
  RunStateWord word;
  std::int64_t commands = 0;
  for (auto _ : state) {
    word.Set(RunState::kRunning);
    AgeingRunOptions o;
    o.seed = 1;
    AgeingJob job(s, o);
    JobContext ctx(d.session, host, d.clock, word);
    job.Run(ctx);
    commands += job.result().commands;
    if (job.result().counts.data_ng != 0) state.SkipWithError("data errors");
  }
  state.SetBytesProcessed(commands * kBlocks * 2048);
  state.counters["commands/s"] =
      benchmark::Counter(static_cast<double>(commands), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AgeingRun)->ArgName("log")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamarack
