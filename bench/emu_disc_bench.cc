// How fast the virtual drive makes sectors: raw sector synthesis (user data, sync, header,
// EDC, ECC, sub-channel Q with CRC) and Read CD field assembly, in MB/s of bytes produced.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "emu/built_in_discs.h"
#include "emu/image_disc.h"
#include "emu/read_cd_fields.h"
#include "emu/sector_encoder.h"
#include "emu/test_sector.h"

namespace {

using tamarack::emu::RawSector;

// Whole raw sectors of the type13 disc, read one after the other.
void BM_Type13SectorSynthesis(benchmark::State& state) {
  auto disc = tamarack::emu::MakeType13Disc();
  RawSector s;
  std::string error;
  std::int32_t lba = 0;
  for (auto _ : state) {
    disc->ReadSector(lba, &s, &error);
    benchmark::DoNotOptimize(s.main.data());
    lba = (lba + 1) % tamarack::emu::kType13Blocks;
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(tamarack::emu::kRawSectorSize));
}
BENCHMARK(BM_Type13SectorSynthesis);

// The encoder alone: sync, header, EDC and ECC around user data already in place.
void BM_EncodeSector(benchmark::State& state) {
  const auto mode = static_cast<tamarack::emu::TrackMode>(state.range(0));
  std::array<std::uint8_t, tamarack::emu::kRawSectorSize> s{};
  tamarack::emu::FillPattern(1, s);
  std::int32_t lba = 0;
  for (auto _ : state) {
    tamarack::emu::EncodeSector(mode, lba++, {}, s);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(s.size()));
}
BENCHMARK(BM_EncodeSector)
    ->Arg(static_cast<int>(tamarack::emu::TrackMode::kMode1))
    ->Arg(static_cast<int>(tamarack::emu::TrackMode::kMode2Form1))
    ->Arg(static_cast<int>(tamarack::emu::TrackMode::kMode2Form2));

// Read CD field assembly from a ready sector: byte 9 and byte 10 as the arguments.
void BM_ReadCdAssembly(benchmark::State& state) {
  auto disc = tamarack::emu::MakeType13Disc();
  RawSector s;
  std::string error;
  disc->ReadSector(100, &s, &error);
  const tamarack::ReadCdSelection sel{0, static_cast<std::uint8_t>(state.range(0)),
                                      static_cast<std::uint8_t>(state.range(1))};
  std::vector<std::uint8_t> out(tamarack::kMaxReadCdBlock);
  std::size_t n = 0;
  for (auto _ : state) {
    tamarack::emu::AssembleReadCdBlock(sel, tamarack::emu::TrackMode::kMode1, s, out, &n);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_ReadCdAssembly)->Args({0x10, 0})->Args({0xF8, 0})->Args({0xF8, 1})->Args({0x10, 2});

// Synthesis and assembly together: what one Read CD block of the virtual drive costs.
void BM_Type13ReadCd(benchmark::State& state) {
  auto disc = tamarack::emu::MakeType13Disc();
  RawSector s;
  std::string error;
  const tamarack::ReadCdSelection sel{0, 0xF8, 0};
  std::vector<std::uint8_t> out(tamarack::kMaxReadCdBlock);
  std::size_t n = 0;
  std::int32_t lba = 0;
  for (auto _ : state) {
    disc->ReadSector(lba, &s, &error);
    tamarack::emu::AssembleReadCdBlock(sel, tamarack::emu::TrackMode::kMode1, s, out, &n);
    benchmark::DoNotOptimize(out.data());
    lba = (lba + 1) % tamarack::emu::kType13Blocks;
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_Type13ReadCd);

// An .iso image: 2048 bytes read with pread, completed to a raw sector.
void BM_IsoImageSectors(benchmark::State& state) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("tamarack-bench-" + std::to_string(::getpid()) + ".iso"))
                               .string();
  constexpr int kBlocks = 4096;
  {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(kBlocks) * 2048);
    tamarack::emu::FillPattern(7, data);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
  }
  std::string error;
  auto disc = tamarack::emu::OpenImage(path, &error);
  if (!disc) {
    state.SkipWithError(error.c_str());
    return;
  }
  RawSector s;
  std::int32_t lba = 0;
  for (auto _ : state) {
    disc->ReadSector(lba, &s, &error);
    benchmark::DoNotOptimize(s.main.data());
    lba = (lba + 1) % kBlocks;
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(tamarack::emu::kRawSectorSize));
  disc.reset();
  std::remove(path.c_str());
}
BENCHMARK(BM_IsoImageSectors);

}  // namespace
