// What the host's check of a returned sector costs (util/sector_check.h): the EDC alone, and
// with the P and Q parity, per 2352-byte Mode 1 sector, in sectors and MB a second of one core;
// and what --verify-edc adds to each capture command of 16 blocks (mmc/edc_read.h: the
// check and the move of the user data into place), per sector.
// A drive at x52 sends about 3900 sectors a second: the check must stay far below a core.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include <vector>

#include "emu/sector_encoder.h"
#include "mmc/edc_read.h"
#include "util/sector_check.h"

namespace {

std::array<std::uint8_t, tamarack::kCdSectorBytes> Mode1Sector(std::int32_t lba) {
  std::array<std::uint8_t, tamarack::kCdSectorBytes> s{};
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::uint8_t>(i * 7 + 3);
  tamarack::emu::EncodeSector(tamarack::emu::TrackMode::kMode1, lba, {}, s);
  return s;
}

void BM_VerifySectorEdc(benchmark::State& state) {
  const bool ecc = state.range(0) != 0;
  const auto sector = Mode1Sector(1234);
  for (auto _ : state) {
    benchmark::DoNotOptimize(tamarack::VerifySectorEdc(sector, 1234, ecc));
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(tamarack::kCdSectorBytes));
}
BENCHMARK(BM_VerifySectorEdc)->Arg(0)->Arg(1);

void BM_VerifyAndCompact(benchmark::State& state) {
  constexpr std::uint32_t kBlocks = 16;
  std::vector<std::uint8_t> reply(kBlocks * tamarack::kCdSectorBytes);
  for (std::uint32_t i = 0; i < kBlocks; ++i) {
    const auto s = Mode1Sector(static_cast<std::int32_t>(1000 + i));
    std::copy(s.begin(), s.end(), reply.begin() + i * tamarack::kCdSectorBytes);
  }
  std::vector<std::uint8_t> buffer(reply.size());
  std::vector<bool> failed;
  for (auto _ : state) {
    // Each command's reply afresh: the move leaves the buffer compacted.
    state.PauseTiming();
    std::copy(reply.begin(), reply.end(), buffer.begin());
    state.ResumeTiming();
    benchmark::DoNotOptimize(tamarack::VerifyAndCompact(buffer, 1000, kBlocks, &failed));
  }
  state.SetItemsProcessed(state.iterations() * kBlocks);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(reply.size()));
}
BENCHMARK(BM_VerifyAndCompact);

}  // namespace
