#include "measure/speed_record.h"

#include <numeric>

#include "util/strings.h"

namespace tamarack {

std::int64_t SpeedRecord::SampleSum() const {
  return std::accumulate(samples.begin(), samples.end(), std::int64_t{0});
}

std::string SpeedText(std::int64_t tenths) {
  return StrFormat("x%lld.%lld", static_cast<long long>(tenths / 10),
                   static_cast<long long>(tenths % 10));
}

std::int64_t SampleTenths(std::int64_t blocks) {
  return blocks * kSamplesPerSecond * 10 / kBlocksPerSecondAtX1;
}

std::int64_t AverageTenths(std::int64_t blocks, std::size_t seconds) {
  const std::int64_t per_tenth = static_cast<std::int64_t>(seconds) * kBlocksPerSecondAtX1;
  return per_tenth == 0 ? 0 : blocks * 10 / per_tenth;
}

namespace {

std::string FormatSummary(std::int64_t v, std::int64_t bytes, std::size_t seconds) {
  return StrFormat("x%lld.%lld speed(%lld Bytes/%zu Sec)", static_cast<long long>(v / 10),
                   static_cast<long long>(v % 10), static_cast<long long>(bytes), seconds);
}

}  // namespace

std::string SummaryText(std::int64_t bytes, std::int64_t blocks, std::size_t seconds) {
  return FormatSummary(AverageTenths(blocks, seconds), bytes, seconds);
}

std::int64_t RecordAverageTenths(const SpeedRecord& record) {
  const std::int64_t per_tenth =
      static_cast<std::int64_t>(record.samples.size()) * kBlocksPerSecondAtX1 / 10;
  return per_tenth == 0 ? 0 : record.SampleSum() / per_tenth;
}

std::optional<std::int64_t> RecordBytes(const SpeedRecord& record) {
  std::int64_t bytes = 0;
  if (__builtin_mul_overflow(std::int64_t{record.block_size}, record.SampleSum(), &bytes)) {
    return std::nullopt;
  }
  return bytes;
}

std::string UnfinishedText(const SpeedRecord& record) {
  if (record.unfinished.empty()) return {};
  if (record.unfinished == kUnfinishedReadError) return "not finished: it ended on a read error";
  if (record.unfinished == kUnfinishedCancelled) return "not finished: it was cancelled";
  return "not finished (" + record.unfinished + ")";
}

std::string RecordSummaryText(const SpeedRecord& record) {
  const auto bytes = RecordBytes(record);
  if (record.samples.empty() || !bytes) return {};
  std::string text = FormatSummary(RecordAverageTenths(record), *bytes, record.samples.size());
  if (!record.unfinished.empty()) text += " - " + UnfinishedText(record);
  return text;
}

}  // namespace tamarack
