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
#include "device/block_read.h"
#include "device/block_size.h"
#include "device/track_starts.h"
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

// The bytes per block of each track the run reads in, found once a track: nothing until
// found, 0 where it could not be found.
class TrackBlockSizes {
 public:
  // `starts` ascending (TrackStartsOfToc).
  explicit TrackBlockSizes(std::vector<std::int32_t> starts) : starts_(std::move(starts)) {
    sizes_.resize(starts_.size() + 1);
  }
  // The track of `lba`: the last one starting at or before it (0 before the first, or
  // without a TOC).
  std::size_t TrackOf(std::int32_t lba) const {
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), std::max(lba, 0));
    return static_cast<std::size_t>(after - starts_.begin());
  }
  const std::optional<std::uint32_t>& Of(std::size_t track) const { return sizes_[track]; }
  void Set(std::size_t track, std::uint32_t bytes) { sizes_[track] = bytes; }

 private:
  std::vector<std::int32_t> starts_;
  std::vector<std::optional<std::uint32_t>> sizes_;
};

// The bytes per block of a good reply and whether it is whole.
struct SizedReply {
  std::uint32_t size = 0;    // bytes per block of the read's track; 0: not known
  bool short_reply = false;  // fewer bytes than its blocks of that size
  bool not_found = false;    // looked for with this reply, and not found
};

// Sizes a good reply of `e.blocks` blocks in `track`: with the size found earlier, else found
// now (FindBlockSize: the reply itself, else a probe), and found again where the reply holds
// whole blocks of another size than the known one.
SizedReply SizeTheReply(DeviceSession& session, TrackBlockSizes& sizes, std::size_t track,
                        const ReadEvidence& e) {
  SizedReply r;
  const std::uint32_t received = e.reply.received;
  if (!sizes.Of(track)) {
    r.size = FindBlockSize(session, e).bytes;
    sizes.Set(track, r.size);
    r.not_found = r.size == 0;
    r.short_reply = r.size != 0 && received < e.blocks * r.size;
    return r;
  }
  r.size = *sizes.Of(track);
  if (r.size == 0 || received >= e.blocks * r.size) return r;
  const std::uint32_t shown = BlockSizeFromReply(e);
  if (shown != 0 && shown != r.size) {
    r.size = shown;  // the track is not what its start said
    sizes.Set(track, shown);
  } else {
    r.short_reply = true;
  }
  return r;
}

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

// Why a run that sent no read is not a pass (the CLI's closing line; not a window text).
constexpr const char* kNoReadSentText = "no read was sent: the range holds no block to read";

void AgeingJob::Run(JobContext& ctx) {
  result_ = AgeingResult{};
  AgeingSettings& s = settings_;
  JobHost& host = ctx.host();
  DeviceSession& session = ctx.session();
  const auto refuse = [&](AgeingRefusal why, const std::string& message) {
    host.Message(MessageIcon::kError, message);
    result_.refusal = why;
    result_.verdict.Refused(message);
    result_.settings = s;
  };

  if (s.data_check && s.data_check_type == DataCheckType::kOther && !DataFileExists(s.data_file)) {
    refuse(AgeingRefusal::kDataFileMissing,
           StrFormat(Tr(kDataFileOpenFailedMessage), s.data_file.c_str()));
    return;
  }
  host.SetBusy(true);
  track_starts_ = ReadTrackStarts(session);
  if (s.first_track_lba == 0 && s.last_lba == 0) ReadDiscBounds(session, track_starts_, &s);
  host.SetBusy(false);
  first_track_lba_ = s.first_track_lba;
  last_lba_ = s.last_lba;
  if (s.transfer_length < 0 || s.transfer_length > kMaxTransferBlocks) {
    refuse(AgeingRefusal::kTransferLength, Tr(kTooManyBlocksMessage));
    return;
  }
  if (const std::optional<std::string> why = RangeOutsideDisc(s)) {
    refuse(AgeingRefusal::kOutsideDisc, *why);
    return;
  }

  const std::time_t origin = options_.time_origin.value_or(std::time(nullptr));
  RunTime time(ctx.clock(), origin, options_.utc_times);
  AgeingLog log(s, time, ctx.clock());
  log.on_failure = [&](const std::string& text) {
    host.Show(JobText::kStatusLine, text);
    host.Show(JobText::kStatus, text);
  };
  if (!log.Open()) {
    if (options_.refuse_without_log) {
      host.Message(MessageIcon::kError, log.open_error());
      result_.refusal = AgeingRefusal::kLogUnwritable;
      result_.log_failure = log.open_error();
      result_.verdict.FileFailed(log.open_error());
      result_.settings = s;
      return;
    }
    const Answer a = host.Ask(
        {QuestionKind::kOkCancel, StrFormat(Tr(kLogOpenFailedQuestion), s.log_path.c_str())});
    if (a != Answer::kYes) {
      result_.refusal = AgeingRefusal::kLogDeclined;
      result_.verdict.Refused(log.open_error());
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
  host.Show(JobText::kStatusLine, kAgeingNowText);
  host.Show(JobText::kStatus, kAgeingNowText);

  RunCommands(ctx, log, time);

  // Cancel, Ctrl-C, SIGTERM, the window's closing: the log says so before its end block.
  const RunState ended = ctx.state();
  const bool cancelled = ended == RunState::kCancelRequested || ended == RunState::kInterrupted;
  // Every way of stopping ends as Cancel does, naming what stopped the run when it was not Cancel.
  const std::string cause = cancelled ? CancelCauseSuffix(ctx.cancel_cause()) : std::string();
  if (cancelled) {
    log.Cancel(cause);
    result_.verdict.Cancelled();
  }
  result_.commands = log.counts().commands;
  result_.failed_commands = log.counts().failed_commands;
  result_.counts = log.counts();
  // A run that sent no read proves nothing about the drive: never a good end.
  if (result_.commands == 0 && !cancelled && result_.verdict.good()) {
    result_.verdict.Refused(kNoReadSentText);
  }
  result_.status_text = StrFormat(StopRequested(ended) ? kAgeingCanceledText : kAgeingDoneText,
                                  static_cast<long long>(result_.commands),
                                  static_cast<long long>(result_.failed_commands)) +
                        cause;
  host.Show(JobText::kStatusLine, result_.status_text);
  host.Show(JobText::kStatus, result_.status_text);
  log.End(result_.status_text);
  result_.log_failure = log.failure();
  if (!result_.log_failure.empty()) result_.verdict.FileFailed(result_.log_failure);
  result_.settings = s;
  if (ended != RunState::kCancelRequested) {
    std::string message = Tr(kAgeingEndMessage);
    // An interruption says what stopped the run, after the message it always gave.
    if (!cause.empty()) message += "\r\n\r\n" + result_.status_text;
    if (!result_.log_failure.empty()) message += "\r\n\r\n" + result_.log_failure;
    host.Message(MessageIcon::kInformation, message);
  }
}

void AgeingJob::RunCommands(JobContext& ctx, AgeingLog& log, RunTime& time) {
  AgeingSettings& s = settings_;
  JobHost& host = ctx.host();
  DeviceSession& session = ctx.session();
  Clock& clock = ctx.clock();
  JobVerdict& verdict = result_.verdict;

  AgeingRandom random(options_.seed.value_or(static_cast<std::uint32_t>(std::time(nullptr))));
  int own_counter = 0;
  int& counter = options_.random_step_counter ? *options_.random_step_counter : own_counter;
  AgeingWalk walk(s, random, counter);
  AgeingDataCheck check(s, [&time] { return EventStamp(time.Now()); });
  TrackBlockSizes sizes(track_starts_);
  bool said_no_size = false;

  // One buffer for the whole run: room for Transfer Length blocks of the largest size.
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(s.transfer_length) * kBlockRoom);
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
    if (s.data_check && !message.empty()) host.Show(JobText::kStatusLine, message);
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

    // The read: room for the largest blocks until the track's size is known, then exactly
    // the bytes that size asks for (a whole reply then leaves no fill to read again over).
    current = lba;
    const auto blocks = static_cast<std::uint32_t>(length);
    const std::size_t track = sizes.TrackOf(lba);
    std::uint32_t size = sizes.Of(track).value_or(0);
    const std::uint32_t expected = blocks * size;
    const std::span<std::uint8_t> area =
        std::span<std::uint8_t>(buffer).first(expected != 0 ? expected : blocks * kBlockRoom);
    const Clock::Duration before = clock.Now();
    const BlockReply reply = ReadBlocks(session, cdb, area, expected);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - before).count();
    const char marker = walk.StepMarker();
    if (reply.second_read) {
      // The same read sent again over another fill: a command of its own (the first one was
      // good); the time is shared between the two.
      log.Command(true, cdb, "", ms / 2, marker);
    }

    SizedReply sized;
    sized.size = size;
    if (reply.good() && blocks != 0) {
      sized = SizeTheReply(session, sizes, track,
                           {cdb, blocks, static_cast<std::uint32_t>(area.size()), lba, reply});
      size = sized.size;
    }
    const bool short_reply = sized.short_reply;
    const bool ok = reply.good() && !short_reply;
    std::string error_text = reply.outcome.error_text;
    if (short_reply) {
      error_text = StrFormat(kShortReplyText, reply.received, blocks * size);
    }
    log.Command(ok, cdb, error_text, reply.second_read ? ms - ms / 2 : ms, marker);
    if (sized.not_found && s.data_check && !said_no_size) {
      said_no_size = true;
      const std::string note = StrFormat(kBlockSizeNotFoundText, lba, static_cast<unsigned>(lba));
      host.Show(JobText::kStatusLine, note);
      host.Show(JobText::kStatus, note);
      log.Note(cdb, note);
    }
    if (!ok) {
      if (s.mode.end_on_command_error()) {
        verdict.EndedBy(reply.outcome, short_reply);
      } else {
        verdict.WentPast(reply.outcome, short_reply);
      }
    }

    // The per-command hook: the data of a good read checked, with the size of its track.
    const std::uint32_t moved = !ok         ? 0
                                : size != 0 ? std::min(reply.received, blocks * size)
                                            : reply.received;
    bytes_moved += moved;
    if (moved != 0) {
      const auto data = std::span<const std::uint8_t>(area).first(moved);
      if (!s.data_check || size != 0) {
        CheckData(ctx, check, log, {lba, data, length, size}, cdb, marker, &message);
      }
      if (s.display_received && length != 0 && window_due) {
        std::string dump;
        DumpHex(data.first(std::min(kReceivedDisplayBytes, data.size())), &dump, false,
                options_.group_size);
        host.Show(JobText::kDump, dump);
      }
    }
    if (!ok && s.mode.end_on_command_error()) break;
    if (ctx.state() == RunState::kDataError) break;
    if (window_due) show_progress(lba);

    if (s.interval_ms > 0) {
      // Drawn from 0 to Interval Time, which may be the largest int.
      const auto pause = static_cast<int>(
          s.random_interval ? random.Draw() % (std::int64_t{s.interval_ms} + 1) : s.interval_ms);
      log.Flush(std::chrono::milliseconds(pause));
      clock.Sleep(std::chrono::milliseconds(pause));
      log.Interval(pause);
      if (window_due) host.Show(JobText::kPause, StrFormat("%dmsec", pause));
    }
    if (StopRequested(ctx.state())) break;
    log.Flush();
    go_on = walk.Continue(current);
  }
  show_progress(current);
}

void AgeingJob::CheckData(JobContext& ctx, AgeingDataCheck& check, AgeingLog& log,
                          const CheckedRead& read, const Cdb& cdb, char marker,
                          std::string* message) {
  const AgeingSettings& s = settings_;
  const bool data_ok = check.Check(read);
  if (s.data_check) {
    *message = check.message();
    if (!data_ok) {
      result_.verdict.AddDifferences(1);
      if (s.mode.end_on_data_error()) ctx.StopOnDataError();
    }
    log.DataCheck(data_ok, cdb, *message, marker);
  }
  if (data_ok) {
    log.DataOk(read.data);
  } else {
    log.DataNg(static_cast<std::uint32_t>(read.data.size()), read.blocks, read.lba, read.data,
               check, read.block_size);
  }
}

}  // namespace tamarack
