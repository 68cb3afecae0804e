#include "ageing/ageing_job.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <span>
#include <vector>

#include "ageing/ageing_command_table.h"
#include "ageing/ageing_random.h"
#include "ageing/ageing_walk.h"
#include "ageing/disc_facts.h"
#include "ageing/run_time.h"
#include "console/cdb_text.h"
#include "console/execute_command.h"
#include "decode/volume_descriptor.h"
#include "device/block_size.h"
#include "form/hex_dump.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr auto kWindowPeriod = std::chrono::milliseconds(100);

// When the window hears of the run: after the first command, then every 100 ms of the run's
// clock, and at the end.
class WindowPace {
 public:
  explicit WindowPace(Clock& clock) : clock_(clock) {}
  bool Due() {
    const Clock::Duration now = clock_.Now();
    if (first_ || now - last_ >= kWindowPeriod) {
      first_ = false;
      last_ = now;
      return true;
    }
    return false;
  }

 private:
  Clock& clock_;
  Clock::Duration last_{};
  bool first_ = true;
};

bool DataFileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string AgeingCountersText(std::int64_t commands, std::int64_t failed, std::int64_t data_ng,
                               bool data_check) {
  if (data_check) {
    return StrFormat("Total Command=%lld\r\nFail Command=%lld\r\nFail Data=%lld\r\n",
                     static_cast<long long>(commands), static_cast<long long>(failed),
                     static_cast<long long>(data_ng));
  }
  return StrFormat("Total Command=%lld\r\nFail Command=%lld\r\n", static_cast<long long>(commands),
                   static_cast<long long>(failed));
}

AgeingJob::AgeingJob(AgeingSettings settings, AgeingRunOptions options)
    : settings_(std::move(settings)),
      options_(std::move(options)),
      first_track_lba_(settings_.first_track_lba),
      last_lba_(settings_.last_lba) {}

void AgeingJob::Run(JobContext& ctx) {
  result_ = AgeingResult{};
  AgeingSettings& s = settings_;
  JobHost& host = ctx.host();
  DeviceSession& session = ctx.session();

  if (s.data_check && s.data_check_type == DataCheckType::kOther && !DataFileExists(s.data_file)) {
    host.Message(MessageIcon::kError, StrFormat(kDataFileOpenFailedMessage, s.data_file.c_str()));
    result_.refusal = AgeingRefusal::kDataFileMissing;
    result_.settings = s;
    return;
  }
  if (s.first_track_lba == 0 && s.last_lba == 0) {
    host.SetBusy(true);
    ReadDiscBounds(session, &s);
    host.SetBusy(false);
    first_track_lba_ = s.first_track_lba;
    last_lba_ = s.last_lba;
  }
  if (s.transfer_length < 0 || s.transfer_length > kMaxTransferBlocks) {
    host.Message(MessageIcon::kError, kTooManyBlocksMessage);
    result_.refusal = AgeingRefusal::kTransferLength;
    result_.settings = s;
    return;
  }

  const std::time_t origin = options_.time_origin.value_or(std::time(nullptr));
  RunTime time(ctx.clock(), origin, options_.utc_times);
  AgeingLog log(s, time, ctx.clock());
  log.on_failure = [&](const std::string& text) {
    session.status_line.Set(text);
    host.Show(JobText::kStatus, text);
  };
  if (!log.Open()) {
    const Answer a =
        host.Ask({QuestionKind::kOkCancel, StrFormat(kLogOpenFailedQuestion, s.log_path.c_str())});
    if (a != Answer::kYes) {
      result_.refusal = AgeingRefusal::kLogDeclined;
      result_.settings = s;
      return;
    }
  }
  if (log.open()) {
    LogHeader header;
    header.method_text = options_.method_text.empty() ? MethodEntryText(s.mode.method_index())
                                                      : options_.method_text;
    header.loop_text = options_.loop_text.empty() ? LoopEntryText(s.mode.loop_index(), s.loop_count)
                                                  : options_.loop_text;
    Cdb shown = AgeingCommandCdb(s);
    WriteAgeingAddress(shown, static_cast<std::uint32_t>(s.start_lba),
                       static_cast<std::uint32_t>(s.transfer_length));
    header.command_text = CdbLine(shown);
    host.SetBusy(true);
    header.model_name = ReadModelName(session);
    header.volume_label = ReadVolumeLabel(session);
    host.SetBusy(false);
    log.Start(header);
  }
  session.status_line.Set(kAgeingNowText);
  host.Show(JobText::kStatus, kAgeingNowText);

  RunCommands(ctx, log, time);

  const bool cancelled = StopRequested(ctx.state());
  result_.commands = log.counts().commands;
  result_.failed_commands = log.counts().failed_commands;
  result_.counts = log.counts();
  result_.status_text = StrFormat(cancelled ? kAgeingCanceledText : kAgeingDoneText,
                                  static_cast<long long>(result_.commands),
                                  static_cast<long long>(result_.failed_commands));
  session.status_line.Set(result_.status_text);
  host.Show(JobText::kStatus, result_.status_text);
  log.End(result_.status_text);
  result_.log_failure = log.failure();
  result_.settings = s;
  if (ctx.state() != RunState::kCancelRequested) {
    std::string message = kAgeingEndMessage;
    if (!result_.log_failure.empty()) message += "\r\n\r\n" + result_.log_failure;
    host.Message(MessageIcon::kInformation, message);
  }
}

void AgeingJob::RunCommands(JobContext& ctx, AgeingLog& log, RunTime& time) {
  AgeingSettings& s = settings_;
  JobHost& host = ctx.host();
  DeviceSession& session = ctx.session();
  Clock& clock = ctx.clock();

  AgeingRandom random(options_.seed.value_or(static_cast<std::uint32_t>(std::time(nullptr))));
  int own_counter = 0;
  int& counter = options_.random_step_counter ? *options_.random_step_counter : own_counter;
  AgeingWalk walk(s, random, counter);
  // The fill, the residual, else a Read CD probe of the block just read.
  BlockSizeFinder find_block_size = options_.find_block_size;
  if (!find_block_size) {
    find_block_size = [&session](const CheckedRead& r) {
      ReadEvidence e;
      e.command = r.command;
      e.blocks = static_cast<std::uint32_t>(std::max(r.blocks, 0));
      e.requested = r.requested;
      e.lba = r.lba;
      CommandOutcome good;
      good.status = CommandStatus::kGood;
      good.result.transferred = r.transferred;
      e.reply = ReplyOfFirstRead(
          good, r.buffer.first(std::min<std::size_t>(r.buffer.size(), r.requested)));
      return FindBlockSize(session, e).bytes;
    };
  }
  AgeingDataCheck check(
      s, [&time] { return EventStamp(time.Now()); }, find_block_size);

  // One buffer for the whole run, room for Transfer Length blocks of 2656 bytes.
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(s.transfer_length) * kAgeingBlockBytes);
  Cdb cdb = AgeingCommandCdb(s);
  std::int32_t current = s.start_lba;
  WindowPace pace(clock);
  const Clock::Duration started = clock.Now();
  std::uint64_t bytes_moved = 0;
  std::string message;  // the last data check's message line, for the status line

  auto show_progress = [&](std::int32_t lba) {
    const LogCounts& c = log.counts();
    host.Show(JobText::kCounters,
              AgeingCountersText(c.commands, c.failed_commands, c.data_ng, s.data_check));
    if (s.data_check && !message.empty()) session.status_line.Set(message);
    JobProgress p;
    p.done = static_cast<std::uint64_t>(c.commands);
    p.total = walk.budget() > 0 ? static_cast<std::uint64_t>(walk.budget()) : 0;
    p.address = static_cast<std::uint32_t>(lba);
    const double seconds = std::chrono::duration<double>(clock.Now() - started).count();
    if (seconds > 0) p.bytes_per_second = static_cast<double>(bytes_moved) / seconds;
    host.Progress(p);
  };

  bool go_on = walk.Continue(current);
  while (go_on) {
    if (!walk.RangeUsable()) break;
    const std::int32_t lba = walk.NextLba(current);
    const std::int32_t length = walk.Length(lba);
    WriteAgeingAddress(cdb, static_cast<std::uint32_t>(lba), static_cast<std::uint32_t>(length));
    const bool window_due = pace.Due();
    if (window_due) host.Show(JobText::kCdb, CdbLine(cdb));

    // The command: a buffer of length x 2656 bytes filled with 5Ah; once the block size is
    // known, exactly that many bytes a block are asked for.
    current = lba;
    const auto blocks = static_cast<std::size_t>(length);
    const std::span<std::uint8_t> area =
        std::span<std::uint8_t>(buffer).first(blocks * kAgeingBlockBytes);
    const std::size_t request =
        check.block_size() != 0 ? std::min(area.size(), blocks * check.block_size()) : area.size();
    std::fill_n(area.begin(), request, kFillByte);
    const Clock::Duration before = clock.Now();
    const CommandOutcome outcome = session.Run(cdb, area.first(request), false, false);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - before).count();
    const bool ok = outcome.status == CommandStatus::kGood;
    if (!ok) result_.last_failure = outcome;

    // The per-command hook: the command's line, then the data of a good read checked.
    const char marker = walk.StepMarker();
    log.Command(ok, cdb, outcome.error_text, ms, marker);
    const std::uint32_t moved = ok ? std::min<std::uint32_t>(outcome.result.transferred,
                                                             static_cast<std::uint32_t>(request))
                                   : 0;
    bytes_moved += moved;
    if (moved != 0) {
      const CheckedRead read{lba, area, moved, length, cdb, static_cast<std::uint32_t>(request)};
      const bool data_ok = check.Check(read);
      if (s.data_check) {
        message = check.message();
        if (!data_ok && s.mode.end_on_data_error()) ctx.StopOnDataError();
        log.DataCheck(data_ok, cdb, message, marker);
      }
      if (data_ok) {
        log.DataOk(area);
      } else {
        log.DataNg(moved, length, lba, area, check, check.block_size());
      }
      if (s.display_received && length != 0 && window_due) {
        std::string dump;
        DumpHex(area.first(std::min(kReceivedDisplayBytes, area.size())), &dump, false,
                options_.group_size);
        host.Show(JobText::kDump, dump);
      }
    }
    if (!ok && s.mode.end_on_command_error()) break;
    if (ctx.state() == RunState::kDataError) break;
    if (window_due) show_progress(lba);

    if (s.interval_ms > 0) {
      const int pause = s.random_interval ? random.Draw() % (s.interval_ms + 1) : s.interval_ms;
      log.Flush(std::chrono::milliseconds(pause));
      clock.Sleep(std::chrono::milliseconds(pause));
      log.Interval(pause);
      if (window_due) host.Show(JobText::kPause, StrFormat("%dmsec", pause));
    }
    const RunState state = ctx.state();
    if (StopRequested(state)) {
      if (state == RunState::kCancelRequested) log.Cancel();
      break;
    }
    log.Flush();
    go_on = walk.Continue(current);
  }
  show_progress(current);
}

}  // namespace tamarack
