// The cost of the error-table lookup: one per failed command, thousands per ageing run.
#include <benchmark/benchmark.h>

#include "device/sense.h"

namespace {

void BM_LookUpSenseFirstPass(benchmark::State& state) {
  const auto table = tamarack::BuiltInSenseTable();
  for (auto _ : state) benchmark::DoNotOptimize(tamarack::MatchSense(table, 2, 0x3A, 0x02));
}
BENCHMARK(BM_LookUpSenseFirstPass);

// No row matches: all four passes walk the whole table.
void BM_LookUpSenseMiss(benchmark::State& state) {
  const auto table = tamarack::BuiltInSenseTable();
  for (auto _ : state) benchmark::DoNotOptimize(tamarack::MatchSense(table, 9, 0xEE, 0xEE));
}
BENCHMARK(BM_LookUpSenseMiss);

}  // namespace
