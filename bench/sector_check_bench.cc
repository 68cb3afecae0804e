// What the host's check of a returned sector costs (util/sector_check.h): the EDC alone, and
// with the P and Q parity, per 2352-byte Mode 1 sector, in sectors and MB a second of one core.
// A drive at x52 sends about 3900 sectors a second: the check must stay far below a core.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "emu/sector_encoder.h"
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

}  // namespace
