#include "measure/speed_measurement_job.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "device/device_session.h"
#include "device/sense.h"
#include "mmc/block_size.h"
#include "mmc/disc_extent.h"
#include "mmc/inquiry.h"
#include "mmc/track_starts.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr auto kReportPeriod = std::chrono::milliseconds(100);

bool Send(DeviceSession& session, const Cdb& cdb, std::span<std::uint8_t> buffer,
          std::uint32_t* transferred) {
  *transferred = 0;
  return SendScsiCommand(session, cdb, buffer, transferred);
}

long long AsLong(std::int64_t v) { return static_cast<long long>(v); }

}  // namespace

Cdb MeasureCdb(std::int64_t lba, std::int64_t block_count) {
  return ReadCdCdb(static_cast<std::uint32_t>(lba), static_cast<std::uint32_t>(block_count));
}

MeasureLive SpeedMeasurementJob::Live() const {
  std::lock_guard lock(mutex_);
  MeasureLive live;
  live.start_lba = result_.start_lba;
  live.last_lba = result_.last_lba;
  live.block_size = result_.record.block_size;
  if (sampler_) live.samples = sampler_->samples();
  return live;
}

bool SpeedMeasurementJob::ReadRange(JobContext& ctx) {
  DeviceSession& session = ctx.session();
  std::int64_t start = settings_.start_lba;
  std::int64_t last = settings_.last_lba;
  std::optional<std::int64_t> disc_last;
  mmc::DiscExtent extent = mmc::ReadDiscExtent(session);
  if (extent.capacity.status == CommandStatus::kGood) {
    disc_last = extent.last_lba.value_or(0);
    last = *disc_last;
  }
  std::vector<std::int32_t> starts;
  if (extent.first_start) {
    start = static_cast<std::int32_t>(*extent.first_start);
    starts = std::move(extent.track_starts);
  }
  start = settings_.first_override.value_or(start);
  // A last block beyond the disc's is the disc's.
  if (settings_.last_override) {
    last = disc_last ? std::min(*settings_.last_override, *disc_last) : *settings_.last_override;
  }
  {
    std::lock_guard lock(mutex_);
    result_.start_lba = start;
    result_.last_lba = last;
  }
  if (start < 0 || start > last) {
    const std::string why =
        StrFormat("The first block %lld lies beyond the last block %lld: nothing to measure",
                  AsLong(start), AsLong(last));
    result_.verdict.Refused(why);
    ctx.host().Message(MessageIcon::kError, why);
    return false;
  }
  for (const std::int64_t s : starts) {
    if (s > start && s <= last) track_starts_.push_back(s);
  }
  result_.verdict.coverage().Ask(static_cast<std::uint64_t>(last - start + 1));
  return true;
}

void SpeedMeasurementJob::ReadModel(JobContext& ctx) {
  std::array<std::uint8_t, 255> reply{};
  std::uint32_t moved = 0;
  if (!Send(ctx.session(), mmc::InquiryCdb(), reply, &moved)) return;
  const mmc::InquiryNames names = mmc::InquiryNamesOf(reply);
  result_.record.model = StrFormat("%s %s", names.vendor.c_str(), names.product.c_str());
  ctx.host().Show(JobText::kModel, result_.record.model);
}

void SpeedMeasurementJob::Run(JobContext& ctx) {
  JobHost& host = ctx.host();
  if (settings_.block_count < 1 || settings_.block_count > kMaxMeasureBlockCount) {
    result_.verdict.Refused(Tr(kMeasureBlockCountMessage));
    host.Message(MessageIcon::kError, Tr(kMeasureBlockCountMessage));
    return;
  }
  host.SetBusy(true);
  {
    std::lock_guard lock(mutex_);
    result_.record.block_size = static_cast<std::int32_t>(kBlockRoom);
  }
  if (ReadRange(ctx)) {
    buffer_.Resize(static_cast<std::size_t>(settings_.block_count) * kBlockRoom);
    ReadModel(ctx);
    Measure(ctx);
    Finish(ctx);
  }
  host.SetBusy(false);
}

void SpeedMeasurementJob::Measure(JobContext& ctx) {
  ctx.host().Show(JobText::kSpeed, "");
  {
    std::lock_guard lock(mutex_);
    result_.current_lba = result_.start_lba;
    sampler_.emplace(ctx.clock().Now());
  }
  measure_start_ = ctx.clock().Now();
  Report(ctx);
  const std::int64_t last = result_.last_lba;
  const std::int64_t count = settings_.block_count;
  while (result_.current_lba <= last) {
    if (ctx.stop_requested()) {
      result_.verdict.Cancelled();
      return;
    }
    const std::int64_t current = result_.current_lba;
    // The last blocks, no more than a command's, are read one at a time.
    std::int64_t blocks = last - current < count ? 1 : count;
    // A command ends where the next track starts: its blocks may be of another size, which the
    // first command of the track learns.
    const auto next = std::upper_bound(track_starts_.begin(), track_starts_.end(), current);
    if (next != track_starts_.end()) blocks = std::min(blocks, *next - current);
    const bool learn =
        block_size_ == 0 || std::binary_search(track_starts_.begin(), track_starts_.end(), current);
    if (!ReadCommand(ctx, current, blocks, learn)) return;
  }
}

[[gnu::hot]] bool SpeedMeasurementJob::ReadCommand(JobContext& ctx, std::int64_t lba,
                                                   std::int64_t blocks, bool learn) {
  Clock& clock = ctx.clock();
  const Cdb cdb = MeasureCdb(lba, blocks);
  const bool first = !result_.first_command_sent;
  if (first) {
    result_.first_command_sent = true;
    ctx.host().Show(JobText::kCdb, HexBytes(cdb, " "));
  }
  const auto n = static_cast<std::uint32_t>(blocks);
  // A read that learns the size has room for the largest block and expects nothing yet.
  const std::uint32_t room = n * (learn ? kBlockRoom : block_size_);
  const Clock::Duration from = clock.Now();
  const BlockReply reply =
      ReadBlocks(ctx.session(), cdb, std::span(buffer_.data(), room), learn ? 0 : n * block_size_);
  // A second read over the A5h fill is part of the command's time: the drive read meanwhile.
  const Clock::Duration to = clock.Now();
  if (reply.second_read) ++result_.second_reads;
  if (!reply.good()) {
    Fail(ctx, reply, lba, blocks, first);
    return false;
  }
  if (learn) {
    const std::uint32_t size = LearnBlockSize(ctx, cdb, lba, blocks, reply);
    if (size == 0) {
      // GOOD status, yet no block size fits what came back.
      failure_text_ = BlockSizeFinding{}.Text();
      result_.verdict.EndedBy(reply.outcome, true);
      result_.verdict.coverage().Failed(lba, n);
      ctx.host().Show(JobText::kStatusLine, failure_text_);
      return false;
    }
    if (block_size_ != 0 && size != block_size_) sizes_differ_ = true;
    std::lock_guard lock(mutex_);  // Live() reads it
    block_size_ = size;
    result_.record.block_size = static_cast<std::int32_t>(size);
  }
  const std::uint32_t want = n * block_size_;
  if (learn && reply.CountedBeyond(want)) {
    // Not the data of its blocks at the size a probe found: its time counts in no second, and
    // the blocks are read again at that size.
    const Clock::Duration spent = clock.Now() - from;
    probes_ += spent;
    {
      std::lock_guard lock(mutex_);
      sampler_->Skip(spent);
    }
    return ReadCommand(ctx, lba, blocks, false);
  }
  if (reply.received < want) {
    Fail(ctx, reply, lba, blocks, first);
    return false;
  }
  // Finding the size after the read; a read of known size has no probe.
  const Clock::Duration probe = learn ? clock.Now() - to : Clock::Duration{0};
  result_.total_bytes += want;
  result_.blocks_read += blocks;
  result_.verdict.coverage().ReadWhole(n);
  Account(ctx, from, to, blocks, probe);
  return true;
}

std::uint32_t SpeedMeasurementJob::LearnBlockSize(JobContext& ctx, const Cdb& cdb, std::int64_t lba,
                                                  std::int64_t blocks, const BlockReply& reply) {
  const auto n = static_cast<std::uint32_t>(blocks);
  // A reply whose count shows the size already known needs no probe.
  if (block_size_ != 0 && reply.way != ReceivedWay::kWhole && reply.received == n * block_size_) {
    return block_size_;
  }
  // A probe reads the command's last block, so that the next command goes on without a seek.
  const BlockSizeFinding found =
      FindBlockSize(ctx.session(), ReadEvidence{.command = cdb,
                                                .blocks = n,
                                                .requested = n * kBlockRoom,
                                                .lba = static_cast<std::int32_t>(lba + blocks - 1),
                                                .reply = reply});
  if (found.bytes == 0 || found.bytes > kBlockRoom) return 0;
  if (block_size_ == 0) {  // the run's first size
    ctx.host().Show(
        JobText::kStatusLine,
        StrFormat("Blk=%d,BlkSize=%u,StartLba=%lld,LastLba=%lld(%lldM)", settings_.block_count,
                  found.bytes, AsLong(result_.start_lba), AsLong(result_.last_lba),
                  AsLong(result_.last_lba * found.bytes / 1048576)));
  }
  return found.bytes;
}

void SpeedMeasurementJob::Fail(JobContext& ctx, const BlockReply& reply, std::int64_t lba,
                               std::int64_t blocks, bool first) {
  const bool short_reply = reply.good();
  result_.verdict.EndedBy(reply.outcome, short_reply);
  result_.verdict.coverage().Failed(lba, static_cast<std::uint64_t>(blocks));
  std::int64_t at = lba;
  if (short_reply) {
    // GOOD status, yet fewer bytes than the blocks hold: the block where the transfer stopped.
    at = lba + reply.received / block_size_;
    failure_text_ = StrFormat("Read CD at LBA %lld returned %u of %lld bytes", AsLong(lba),
                              reply.received, AsLong(blocks * block_size_));
    ctx.host().Show(JobText::kStatusLine, failure_text_);
  } else {
    failure_text_ = FailureTextsOf(reply.outcome).status_line;
    // The block the drive names, when it names one of the command's.
    const auto info = SenseInformation(reply.outcome.result.sense);
    if (info && *info >= lba && *info < lba + blocks) at = *info;
  }
  // The first command fails quietly: the status line says why, no block was measured yet.
  if (!first) {
    ctx.host().Message(MessageIcon::kWarning,
                       StrFormat(Tr(kMeasureReadError), static_cast<int>(at)));
  }
}

[[gnu::hot]] void SpeedMeasurementJob::Account(JobContext& ctx, Clock::Duration from,
                                               Clock::Duration to, std::int64_t blocks,
                                               Clock::Duration probe) {
  std::size_t taken = 0;
  {
    // One lock per command: Live() reads the position and the samples.
    std::lock_guard lock(mutex_);
    result_.current_lba += blocks;
    taken = sampler_->Read(from, to, blocks);
    // The probe's time counts in no second: the marks still to come move on by as much.
    if (probe.count() > 0) sampler_->Skip(probe);
  }
  result_.read_elapsed = to - measure_start_ - probes_;
  probes_ += probe;
  if (taken > 0 || to - last_report_ >= kReportPeriod) Report(ctx);
}

void SpeedMeasurementJob::Report(JobContext& ctx) {
  JobHost& host = ctx.host();
  last_report_ = ctx.clock().Now();
  const std::int64_t current = result_.current_lba;
  host.Show(JobText::kStatus,
            StrFormat(settings_.hex ? Tr(kMeasureCurrentLbaHexText) : Tr(kMeasureCurrentLbaText),
                      AsLong(current)));
  std::int64_t last_sample = 0;
  bool sampled = false;
  {
    std::lock_guard lock(mutex_);
    if (!sampler_->samples().empty()) {
      sampled = true;
      last_sample = sampler_->samples().back();
    }
  }
  if (sampled) {
    const std::int64_t v = SampleTenths(last_sample);
    if (v != speed_shown_) host.Show(JobText::kSpeed, SpeedText(v));
    speed_shown_ = v;
  }
  JobProgress p;
  const std::int64_t span = result_.last_lba - result_.start_lba;
  if (span > 0) {
    p.total = static_cast<std::uint64_t>(span);
    p.done =
        static_cast<std::uint64_t>(std::clamp<std::int64_t>(current - result_.start_lba, 0, span));
  }
  p.address = static_cast<std::uint32_t>(std::min(current, result_.last_lba));
  p.bytes_per_second = static_cast<double>(last_sample * result_.record.block_size);
  p.blocks_per_second = static_cast<double>(last_sample);
  host.Progress(p);
}

void SpeedMeasurementJob::Finish(JobContext& ctx) {
  JobHost& host = ctx.host();
  Report(ctx);
  MeasureResult& r = result_;
  {
    std::lock_guard lock(mutex_);
    auto& samples = sampler_->samples();
    // The blocks read since the last mark make one more, partial, second. A run read whole
    // within its first second has not one second measured: no sample is made up for it.
    if (!samples.empty() && sampler_->sampled() < r.blocks_read && !sampler_->full()) {
      samples.push_back(static_cast<std::int32_t>(r.blocks_read - sampler_->sampled()));
    }
    r.record.samples = samples;
    // Over tracks of several sizes the graph's megabytes follow the bytes really read.
    if (sizes_differ_ && r.blocks_read > 0) {
      r.record.block_size =
          static_cast<std::int32_t>((r.total_bytes + r.blocks_read / 2) / r.blocks_read);
    }
  }
  const std::size_t seconds = r.record.samples.size();
  const bool failed = r.verdict.ended_by().has_value();
  // Its file says so: samples of part of the range are no measurement of the disc.
  if (failed) r.record.unfinished = kUnfinishedReadError;
  if (r.verdict.cancelled()) r.record.unfinished = kUnfinishedCancelled;
  // A stop other than Cancel names its cause after the texts Cancel shows.
  const std::string cause = r.verdict.cancelled() ? CancelCauseSuffix(ctx.cancel_cause()) : "";
  const std::string cancelled_text = Tr(kMeasureCancelledText) + cause;
  if (seconds > 0) {
    r.summary = SummaryText(r.total_bytes, r.blocks_read, seconds);
    host.Show(JobText::kStatusLine, r.summary + cause);
    host.Show(JobText::kSpeed, SpeedText(AverageTenths(r.blocks_read, seconds)));
    host.Show(JobText::kStatus,
              r.verdict.cancelled() ? cancelled_text : std::string(Tr(kMeasureAverageText)));
    r.rotation = JudgeRotation(r.record.samples);
    host.Show(JobText::kResultLine, r.rotation->Text());
  } else if (r.verdict.cancelled()) {
    host.Show(JobText::kStatus, cancelled_text);
    if (!cause.empty()) host.Show(JobText::kStatusLine, cancelled_text);
  } else if (!failed) {
    const std::string why = StrFormat(
        "%lld blocks read in less than a second: no second to measure", AsLong(r.blocks_read));
    r.verdict.Refused(why);
    host.Show(JobText::kStatusLine, why);
  }
  // The failure that ended the run is its last word, after the summary of what it read.
  if (failed) host.Show(JobText::kStatusLine, failure_text_);
}

}  // namespace tamarack
