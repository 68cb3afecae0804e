#include "measure/speed_measurement_job.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "console/execute_command.h"
#include "device/block_size.h"
#include "device/device_session.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr auto kReportPeriod = std::chrono::milliseconds(100);

bool Send(DeviceSession& session, const Cdb& cdb, std::span<std::uint8_t> buffer,
          std::uint32_t* transferred) {
  *transferred = 0;
  return SendScsiCommand(session, cdb, buffer, false, transferred, false);
}

}  // namespace

Cdb MeasureCdb(std::int32_t lba, std::int32_t block_count) {
  Cdb cdb{};
  cdb[0] = 0xBE;
  WriteBe32(cdb, 2, static_cast<std::uint32_t>(lba));
  WriteBe24(cdb, 6, static_cast<std::uint32_t>(block_count));
  cdb[9] = 0x10;  // user data only
  return cdb;
}

bool SpeedMeasurementJob::Read(DeviceSession& session, const Cdb& cdb,
                               std::span<std::uint8_t> buffer, std::uint32_t* transferred) {
  const CommandOutcome outcome = session.Run(cdb, buffer, false, false);
  *transferred = outcome.result.transferred;
  if (outcome.status == CommandStatus::kGood) return true;
  result_.failed_read = outcome;
  return false;
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

void SpeedMeasurementJob::ReadRange(JobContext& ctx) {
  DeviceSession& session = ctx.session();
  std::int32_t start = settings_.start_lba;
  std::int32_t last = settings_.last_lba;
  std::array<std::uint8_t, 260> capacity{};
  std::uint32_t moved = 0;
  if (Send(session, MakeCdb({0x25}), capacity, &moved)) {
    last = static_cast<std::int32_t>(ReadBe32(capacity, 0));
  }
  std::array<std::uint8_t, 255> toc{};
  if (Send(session, MakeCdb({0x43, 0, 0, 0, 0, 0, 0, 0x00, 0xFF}), toc, &moved)) {
    start = static_cast<std::int32_t>(ReadBe32(toc, 8));
  }
  std::lock_guard lock(mutex_);
  result_.start_lba = settings_.first_override.value_or(start);
  result_.last_lba = settings_.last_override.value_or(last);
}

void SpeedMeasurementJob::ReadModel(JobContext& ctx) {
  std::array<std::uint8_t, 255> reply{};
  std::uint32_t moved = 0;
  if (!Send(ctx.session(), MakeCdb({0x12, 0x00, 0x00, 0x00, 0xFF}), reply, &moved)) return;
  const std::span<const std::uint8_t> r(reply);
  result_.record.model =
      StrFormat("%s %s", FixedText(r.subspan(8, 8)).c_str(), FixedText(r.subspan(16, 16)).c_str());
  ctx.host().Show(JobText::kModel, result_.record.model);
}

void SpeedMeasurementJob::Run(JobContext& ctx) {
  JobHost& host = ctx.host();
  if (settings_.block_count < 1 || settings_.block_count > kMaxMeasureBlockCount) {
    result_.refused = true;
    host.Message(MessageIcon::kError, kMeasureBlockCountMessage);
    return;
  }
  host.SetBusy(true);
  {
    std::lock_guard lock(mutex_);
    result_.record.block_size = static_cast<std::int32_t>(kBlockBufferBytes);
  }
  ReadRange(ctx);
  // One byte more than the blocks need, as every read buffer of the console has.
  std::vector<std::uint8_t> buffer(
      static_cast<std::size_t>(settings_.block_count) * kBlockBufferBytes + 1);
  ReadModel(ctx);
  Measure(ctx, buffer);
  Finish(ctx);
  host.SetBusy(false);
}

void SpeedMeasurementJob::Measure(JobContext& ctx, std::vector<std::uint8_t>& buffer) {
  DeviceSession& session = ctx.session();
  JobHost& host = ctx.host();
  Clock& clock = ctx.clock();
  const std::int32_t count = settings_.block_count;
  host.Show(JobText::kSpeed, "");
  {
    std::lock_guard lock(mutex_);
    result_.current_lba = result_.start_lba;
    sampler_.emplace(clock.Now());
  }
  Report(ctx);
  const std::int64_t last = result_.last_lba;
  std::int32_t& block_size = result_.record.block_size;
  std::uint32_t moved = 0;

  while (true) {
    if (ctx.stop_requested()) {
      result_.cancelled = true;
      break;
    }
    const std::int64_t current = result_.current_lba;
    if (last - current < count) break;  // the tail
    const Cdb cdb = MeasureCdb(result_.current_lba, count);
    const Clock::Duration from = clock.Now();
    Clock::Duration to{};
    Clock::Duration probe{};  // finding the block size took the tool this long after the read
    if (!result_.first_command_sent) {
      result_.first_command_sent = true;
      host.Show(JobText::kCdb, HexBytes(cdb, " "));
      const std::span<std::uint8_t> whole(buffer.data(),
                                          static_cast<std::size_t>(count) * kBlockBufferBytes);
      std::fill(whole.begin(), whole.end(), kReplyFill);
      if (!Read(session, cdb, whole, &moved)) return;
      to = clock.Now();
      // The fill, else a believable residual, else a one-block probe: a reply whose last
      // bytes happen to be 5Ah does not come out short. A probe reads the command's last block,
      // so that the next command goes on without a seek.
      const BlockSizeFinding found = FindBlockSize(session, [&] {
        CommandOutcome good;
        good.status = CommandStatus::kGood;
        good.result.transferred = moved;
        return ReadEvidence{.command = cdb,
                            .blocks = static_cast<std::uint32_t>(count),
                            .requested = static_cast<std::uint32_t>(whole.size()),
                            .lba = result_.current_lba + count - 1,
                            .reply = ReplyOfFirstRead(good, whole)};
      }());
      probe = clock.Now() - to;
      {
        std::lock_guard lock(mutex_);  // Live() reads it
        block_size = static_cast<std::int32_t>(
            std::min<std::uint32_t>(found.bytes, static_cast<std::uint32_t>(kBlockBufferBytes)));
      }
      session.status_line.Set(StrFormat("Blk=%d,BlkSize=%d,StartLba=%d,LastLba=%d(%lldM)", count,
                                        block_size, result_.start_lba, result_.last_lba,
                                        static_cast<long long>(last * block_size / 1048576)));
      if (block_size == 0) return;
    } else {
      const auto length =
          static_cast<std::uint32_t>(count) * static_cast<std::uint32_t>(block_size);
      const bool good = Read(session, cdb, std::span(buffer.data(), length), &moved);
      if (!good || moved != length) {
        result_.read_error = true;
        const auto lba = current + moved / static_cast<std::uint32_t>(block_size);
        host.Message(MessageIcon::kWarning, StrFormat(kMeasureReadError, static_cast<int>(lba)));
        return;
      }
      to = clock.Now();
    }
    result_.total_bytes += static_cast<std::int64_t>(count) * block_size;
    {
      std::lock_guard lock(mutex_);
      result_.current_lba += count;
    }
    Account(ctx, from, to, count);
    if (probe.count() > 0) {
      // The probe's time counts in no second: the marks still to come move on by as much.
      std::lock_guard lock(mutex_);
      sampler_->Skip(probe);
    }
  }

  // The tail: fewer blocks than a command's are left; they are read one at a time.
  for (std::size_t index = 0; result_.current_lba <= last; ++index) {
    if (ctx.stop_requested()) {
      result_.cancelled = true;
      return;
    }
    const std::size_t at = index * static_cast<std::size_t>(block_size);
    if (at + kBlockBufferBytes > buffer.size()) return;
    const Clock::Duration from = clock.Now();
    const bool good = Read(session, MeasureCdb(result_.current_lba, 1),
                           std::span(buffer).subspan(at, kBlockBufferBytes), &moved);
    if (!good || moved == 0) return;
    const Clock::Duration to = clock.Now();
    result_.total_bytes += block_size;
    {
      std::lock_guard lock(mutex_);
      result_.current_lba += 1;
    }
    Account(ctx, from, to, 1);
  }
}

void SpeedMeasurementJob::Account(JobContext& ctx, Clock::Duration from, Clock::Duration to,
                                  std::int32_t blocks) {
  std::size_t taken = 0;
  {
    std::lock_guard lock(mutex_);
    taken = sampler_->Read(from, to, blocks);
  }
  if (taken > 0 || to - last_report_ >= kReportPeriod) Report(ctx);
}

void SpeedMeasurementJob::Report(JobContext& ctx) {
  JobHost& host = ctx.host();
  last_report_ = ctx.clock().Now();
  const std::int32_t current = result_.current_lba;
  host.Show(JobText::kStatus, StrFormat(settings_.hex ? "現在 LBA: %x" : "現在 LBA: %d", current));
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
  const std::int64_t span = static_cast<std::int64_t>(result_.last_lba) - result_.start_lba;
  if (span > 0) {
    p.total = static_cast<std::uint64_t>(span);
    p.done = static_cast<std::uint64_t>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(current) - result_.start_lba, 0, span));
  }
  p.address = static_cast<std::uint32_t>(current);
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
    sampler_->Idle(ctx.clock().Now());
    auto& samples = sampler_->samples();
    // The blocks read since the last mark make one more, partial, second; for a range read
    // within the first second it is the only one, so a short disc is measured too.
    const std::int64_t read = static_cast<std::int64_t>(r.current_lba) - r.start_lba;
    if (sampler_->sampled() < read && !sampler_->full()) {
      samples.push_back(static_cast<std::int32_t>(read - sampler_->sampled()));
    }
    r.record.samples = samples;
  }
  const auto seconds = r.record.samples.size();
  if (r.first_command_sent && seconds > 0 && r.record.block_size != 0) {
    r.summary = SummaryText(r.total_bytes, r.record.block_size, seconds);
    ctx.session().status_line.Set(r.summary);
    host.Show(JobText::kSpeed,
              SpeedText(AverageTenths(r.total_bytes, r.record.block_size, seconds)));
    host.Show(JobText::kStatus, r.cancelled ? kMeasureCancelledText : kMeasureAverageText);
    r.verdict = JudgeRotation(r.record.samples);
    host.Show(JobText::kResultLine, r.verdict->Text());
  }
}

}  // namespace tamarack
