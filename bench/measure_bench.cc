// The speed measurement's own cost per command against the read itself: the same Read CD
// commands over the same blocks of a virtual drive at unlimited speed, once as a bare loop
// through the session and once as the measurement job (sampling, reports to a host that does
// nothing, the closing second). Aim: under 2 % on top of the read.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

#include "device/clock.h"
#include "device/device_session.h"
#include "device/sense_table.h"
#include "emu/virtual_drive_provider.h"
#include "job/job.h"
#include "measure/speed_measurement_job.h"

namespace tamarack {
namespace {

constexpr std::int32_t kBlocks = 20000;  // blocks of each pass, from LBA 0

struct Drive {
  Drive() {
    drives.AddProvider(std::make_unique<emu::VirtualDriveProvider>(RealClock()));
    session.Open("emu:type13?speed=max");
  }
  DriveDirectory drives;
  DeviceSession session{&drives, BuiltInSenseTable()};
};

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// The read itself: what the measurement sends, without anything around it.
bool ReadPass(DeviceSession& session, std::int32_t count, std::vector<std::uint8_t>& buffer) {
  std::uint32_t moved = 0;
  for (std::int32_t lba = 0; kBlocks - 1 - lba >= count; lba += count) {
    const std::span<std::uint8_t> request(buffer.data(), static_cast<std::size_t>(count) * 2048);
    if (!SendScsiCommand(session, MeasureCdb(lba, count), request, &moved)) {
      return false;
    }
  }
  return true;
}

bool MeasurePass(DeviceSession& session, std::int32_t count) {
  MeasureSettings settings;
  settings.block_count = count;
  settings.first_override = 0;
  settings.last_override = kBlocks - 1;
  SpeedMeasurementJob job(settings);
  JobHost host;
  RunStateWord state;
  state.Set(RunState::kRunning);
  JobContext ctx(session, host, RealClock(), state);
  job.Run(ctx);
  return job.result().current_lba == kBlocks;
}

// state.range(0): blocks per command. The pass of the measurement includes its few commands
// around the loop (Read Capacity, Read TOC, Inquiry) and its tail, read block by block.
void BM_MeasurementOverhead(benchmark::State& state) {
  Drive drive;
  const auto count = static_cast<std::int32_t>(state.range(0));
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count) * 2656 + 1);
  double read = 0, measure = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!ReadPass(drive.session, count, buffer)) state.SkipWithError("read failed");
    const auto t1 = std::chrono::steady_clock::now();
    if (!MeasurePass(drive.session, count)) state.SkipWithError("measurement failed");
    const auto t2 = std::chrono::steady_clock::now();
    read += Seconds(t1 - t0);
    measure += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  const double commands =
      static_cast<double>(state.iterations()) * static_cast<double>(kBlocks / count);
  state.counters["read_us/cmd"] = read / commands * 1e6;
  state.counters["measure_us/cmd"] = measure / commands * 1e6;
  state.counters["overhead_%"] = (measure - read) / read * 100;
}
BENCHMARK(BM_MeasurementOverhead)
    ->ArgName("blocks")
    ->Arg(1)
    ->Arg(10)
    ->Arg(26)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamarack
