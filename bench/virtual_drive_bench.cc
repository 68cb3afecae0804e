// Read CD and Read(10) through the virtual drive in unlimited mode: what the dispatcher, the
// fault plan and the field assembly cost on top of sector synthesis.
#include <benchmark/benchmark.h>

#include <vector>

#include "device/clock.h"
#include "emu/built_in_discs.h"
#include "emu/virtual_drive.h"

namespace tamarack::emu {
namespace {

constexpr std::uint32_t kBlocksPerCommand = 26;

// Reads the type13 disc from LBA 0 on with one command per iteration; state.range(0) is CDB
// byte 9 of Read CD (or 0 for Read(10)).
void BM_VirtualDriveRead(benchmark::State& state) {
  SimulatedClock clock;
  VirtualDrive drive("emu:type13?speed=max", MakeType13Disc(), clock,
                     SpeedSetting{SpeedMode::kUnlimited, 48});
  drive.unit().unit_attention.reset();
  const auto main = static_cast<std::uint8_t>(state.range(0));
  std::vector<std::uint8_t> buffer(kBlocksPerCommand * 2352);
  ScsiRequest request;
  request.buffer = buffer;
  request.direction = DataDirection::kIn;
  std::uint32_t lba = 0;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    request.cdb = main == 0 ? Cdb{0x28,
                                  0,
                                  static_cast<std::uint8_t>(lba >> 24),
                                  static_cast<std::uint8_t>(lba >> 16),
                                  static_cast<std::uint8_t>(lba >> 8),
                                  static_cast<std::uint8_t>(lba),
                                  0,
                                  0,
                                  kBlocksPerCommand}
                            : Cdb{0xBE,
                                  0,
                                  static_cast<std::uint8_t>(lba >> 24),
                                  static_cast<std::uint8_t>(lba >> 16),
                                  static_cast<std::uint8_t>(lba >> 8),
                                  static_cast<std::uint8_t>(lba),
                                  0,
                                  0,
                                  kBlocksPerCommand,
                                  main};
    const ScsiResult r = drive.Execute(request);
    if (r.status != TransportStatus::kCompleted || r.scsi_status != 0) {
      state.SkipWithError("read failed");
      break;
    }
    bytes += r.transferred;
    lba = (lba + kBlocksPerCommand) % 300000;
  }
  state.SetBytesProcessed(bytes);
  state.counters["blocks/s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kBlocksPerCommand), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VirtualDriveRead)
    ->ArgName("byte9")
    ->Arg(0x10)   // Read CD, user data
    ->Arg(0xF8)   // Read CD, the whole 2352 bytes
    ->Arg(0x00);  // Read(10)

}  // namespace
}  // namespace tamarack::emu
