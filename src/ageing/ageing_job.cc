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
#include "device/device_session.h"
#include "form/hex_dump.h"
#include "mmc/block_read.h"
#include "mmc/block_size.h"
#include "mmc/edc_read.h"
#include "mmc/track_starts.h"
#include "util/message_catalogue.h"
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
  // The probe that failed on the way (not stored: the next read looks again).
  std::optional<CommandOutcome> failed_probe;
  Cdb failed_probe_cdb{};
};

// Sizes a good reply of `e.blocks` blocks in `track`: with the size found earlier, else found
// now (FindBlockSize: the reply itself, else a probe or Read Capacity), and found again where the
// reply holds whole blocks of another size than the known one. A size the probes could not find for
// a reason of the block's type is kept as 0 (none); one whose probe failed is not kept.
SizedReply SizeTheReply(DeviceSession& session, TrackBlockSizes& sizes, std::size_t track,
                        const ReadEvidence& e) {
  SizedReply r;
  const std::uint32_t received = e.reply.received;
  if (!sizes.Of(track)) {
    const BlockSizeFinding found = FindBlockSize(session, e);
    r.size = found.bytes;
    r.failed_probe = found.failed_probe;
    r.failed_probe_cdb = found.failed_probe_cdb;
    if (!r.failed_probe) sizes.Set(track, r.size);
    r.not_found = r.size == 0 && !r.failed_probe;
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

// The reads a command of `length` blocks at `lba` is sent as: one per track it touches, cut
// at the track starts (`starts` ascending), so that no command spans a change of block size.
std::vector<std::pair<std::int32_t, std::int32_t>> ReadsOfCommand(
    std::int32_t lba, std::int32_t length, const std::vector<std::int32_t>& starts) {
  std::vector<std::pair<std::int32_t, std::int32_t>> reads;
  const std::int64_t end = std::int64_t{lba} + length;
  std::int64_t at = lba;
  for (auto next = std::upper_bound(starts.begin(), starts.end(), lba);
       next != starts.end() && *next < end; ++next) {
    reads.emplace_back(static_cast<std::int32_t>(at), static_cast<std::int32_t>(*next - at));
    at = *next;
  }
  reads.emplace_back(static_cast<std::int32_t>(at), static_cast<std::int32_t>(end - at));
  return reads;
}

// The runs of the `count` blocks from `lba` that the list holds, as (first, count).
std::vector<std::pair<std::int64_t, std::uint64_t>> UnreadRunsIn(
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& unread, std::int64_t lba,
    std::int64_t count) {
  std::vector<std::pair<std::int64_t, std::uint64_t>> runs;
  for (const auto& [first, last] : unread) {
    const std::int64_t lo = std::max<std::int64_t>(first, lba);
    const std::int64_t hi = std::min<std::int64_t>(last, lba + count - 1);
    if (hi >= lo) runs.emplace_back(lo, static_cast<std::uint64_t>(hi - lo + 1));
  }
  return runs;
}

// The bytes of a read that count as its data: none of a failed read, at most its blocks of
// the track's size when that is known.
std::uint32_t MovedBytes(bool ok, std::uint32_t received, std::uint32_t blocks,
                         std::uint32_t size) {
  if (!ok) return 0;
  return size != 0 ? std::min(received, blocks * size) : received;
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

// Why a run that sent no read is not a pass: the reason of its verdict, in the CLI's closing
// line and the window's closing message.
constexpr const char* kNoReadSentText =
    TR_NOOP("ﾘｰﾄﾞを1度も送っていません: 範囲に読むﾌﾞﾛｯｸがありません");

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
  if (s.verify_edc) {
    const Cdb command = AgeingCommandCdb(s);
    if (command[0] != 0xBE || command[9] != 0x10 || (command[10] & 0x07) != 0) {
      refuse(AgeingRefusal::kEdcNeedsReadCd, kEdcNeedsReadCdText);
      return;
    }
  }
  if (const std::optional<std::string> why = RangeOutsideDisc(s)) {
    refuse(AgeingRefusal::kOutsideDisc, *why);
    return;
  }
  if (const std::optional<std::string> why = StepGoesNowhere(s)) {
    refuse(AgeingRefusal::kStepGoesNowhere, *why);
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
    result_.verdict.Refused(Tr(kNoReadSentText));
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

// The state of one run's command loop: the walk and its random numbers, the data check, the
// block sizes found, the read buffer and command, and what the window hears.
struct AgeingJob::CommandRun {
  CommandRun(AgeingSettings& s, const AgeingRunOptions& options, JobContext& ctx,
             AgeingLog& run_log, RunTime& time, std::vector<std::int32_t> track_starts)
      : host(ctx.host()),
        session(ctx.session()),
        clock(ctx.clock()),
        log(run_log),
        random(options.seed.value_or(static_cast<std::uint32_t>(std::time(nullptr)))),
        walk(s, random, options.random_step_counter ? *options.random_step_counter : own_counter),
        check(
            s, [clock_time = &time] { return EventStamp(clock_time->Now()); },
            options.unread_in_reference),
        sizes(std::move(track_starts)),
        // Room for Transfer Length blocks of the largest size, for the whole run.
        buffer(static_cast<std::size_t>(s.transfer_length) * kBlockRoom),
        cdb(AgeingCommandCdb(s)),
        pace(clock),
        started(clock.Now()) {}

  JobHost& host;
  DeviceSession& session;
  Clock& clock;
  AgeingLog& log;
  AgeingRandom random;
  int own_counter = 0;
  AgeingWalk walk;
  AgeingDataCheck check;
  TrackBlockSizes sizes;
  bool said_no_size = false;
  bool said_no_edc_audio = false;  // an audio track, whose blocks carry no EDC
  bool said_no_edc_mode2 = false;  // a form 2 or formless track: no EDC over 2048 bytes
  bool said_hidden = false;        // the path hides short transfers (without the check)
  std::vector<bool> edc_flags;     // of the last verified read, one per block
  std::vector<std::uint8_t> buffer;
  Cdb cdb;
  WindowPace pace;
  Clock::Duration started;
  std::uint64_t bytes_moved = 0;
  std::string message;  // the last data check's message line, for the status line
};

// One read as it was sent, sized and logged.
struct AgeingJob::SentRead {
  std::int32_t lba = 0;
  std::int32_t length = 0;
  BlockReply reply;
  std::span<std::uint8_t> area;  // in the run's buffer
  std::uint32_t size = 0;        // bytes per block of its track; 0: not known
  bool short_reply = false;
  bool ok = false;           // a good reply holding all its blocks (and no probe of it failed)
  std::uint64_t unread = 0;  // its blocks the reference file does not hold
  char marker = ' ';
  bool verified = false;      // read whole with the EDC check: `area` holds the user data
  std::uint32_t edc_bad = 0;  // its blocks whose EDC failed
};

void AgeingJob::RunCommands(JobContext& ctx, AgeingLog& log, RunTime& time) {
  const AgeingSettings& s = settings_;
  CommandRun run(settings_, options_, ctx, log, time, track_starts_);
  std::int32_t current = s.start_lba;
  bool go_on = run.walk.Continue(current);
  while (go_on) {
    if (!run.walk.RangeUsable()) break;
    const std::int32_t lba = run.walk.NextLba(current);
    const std::int32_t length = run.walk.Length(lba);
    WriteAgeingAddress(run.cdb, static_cast<std::uint32_t>(lba),
                       static_cast<std::uint32_t>(length));
    const bool window_due = run.pace.Due();
    if (window_due) run.host.Show(JobText::kCdb, CdbLine(run.cdb));
    current = lba;
    bool ended = false;
    // Only a run that ends on a command error sends a failed read again: others go past it.
    const int retries = s.mode.end_on_command_error() ? std::clamp(s.retries, 0, kMostRetries) : 0;
    for (const auto& [at, blocks] : ReadsOfCommand(lba, length, track_starts_)) {
      // A read, and while it fails the same read again, up to the retries.
      const auto read_with_retries = [&, at = at, blocks = blocks] {
        SentRead read = SendRead(run, at, blocks, false, retries > 0);
        CheckAndShowData(ctx, run, read, window_due);
        for (int tries = 1; !read.ok && tries <= retries; ++tries) {
          if (StopRequested(ctx.state())) {
            // The failure waiting for its retry is the last word on its blocks.
            result_.verdict.coverage().Failed(at, static_cast<std::uint64_t>(blocks));
            break;
          }
          read = SendRead(run, at, blocks, true, tries < retries);
          CheckAndShowData(ctx, run, read, window_due);
          if (read.ok) NoteRecovered(run, read, tries);
        }
        return read;
      };
      SentRead read = read_with_retries();
      // The read that found its track's size brought user data alone: sent again whole, so
      // that the EDC of its blocks is checked too.
      if (s.verify_edc && read.ok && !read.verified && blocks != 0 && EdcCheckable(read.size)) {
        read = read_with_retries();
      }
      ended = (!read.ok && s.mode.end_on_command_error()) || ctx.state() == RunState::kDataError;
      if (ended) break;
    }
    if (ended) break;
    if (window_due) ShowProgress(run, lba);
    if (s.interval_ms > 0) Pause(run, window_due);
    if (StopRequested(ctx.state())) break;
    log.Flush();
    go_on = run.walk.Continue(current);
  }
  ShowProgress(run, current);
}

void AgeingJob::NoteRecovered(CommandRun& run, const SentRead& read, int tries) {
  ++result_.recovered_reads;
  Coverage& coverage = result_.verdict.coverage();
  // The blocks it read whole: not those whose EDC failed, nor those the reference lacks.
  const auto unread = settings_.data_check && settings_.data_check_type == DataCheckType::kOther
                          ? UnreadRunsIn(options_.unread_in_reference, read.lba, read.length)
                          : std::vector<std::pair<std::int64_t, std::uint64_t>>{};
  if (read.size != 0) {
    for (std::int32_t i = 0; i < read.length; ++i) {
      const std::int64_t b = std::int64_t{read.lba} + i;
      if (read.edc_bad != 0 && run.edc_flags[static_cast<std::size_t>(i)]) continue;
      if (std::any_of(unread.begin(), unread.end(), [b](const auto& r) {
            return b >= r.first && b < r.first + static_cast<std::int64_t>(r.second);
          })) {
        continue;
      }
      coverage.Recovered(b, 1);
    }
  }
  const std::string note = StrFormat(kRecoveredLogText, read.lba, static_cast<unsigned>(read.lba),
                                     static_cast<unsigned>(read.length), tries);
  run.log.Note(run.cdb, note);
  run.host.Show(JobText::kStatusLine, note);
}

AgeingJob::SentRead AgeingJob::SendRead(CommandRun& run, std::int32_t lba, std::int32_t length,
                                        bool again, bool will_retry) {
  const AgeingSettings& s = settings_;
  Coverage& coverage = result_.verdict.coverage();
  SentRead read;
  read.lba = lba;
  read.length = length;
  WriteAgeingAddress(run.cdb, static_cast<std::uint32_t>(lba), static_cast<std::uint32_t>(length));
  // Room for the largest blocks until the track's size is known, then exactly the bytes that
  // size asks for (a whole reply then leaves no fill to read again over).
  const auto blocks = static_cast<std::uint32_t>(length);
  if (!again) coverage.Ask(blocks, s.data_check);
  const std::size_t track = run.sizes.TrackOf(lba);
  read.size = run.sizes.Of(track).value_or(0);
  read.verified = s.verify_edc && run.sizes.Of(track) && EdcCheckable(read.size);
  bool& said = read.size == kEdcReadBlockBytes ? run.said_no_edc_audio : run.said_no_edc_mode2;
  if (s.verify_edc && run.sizes.Of(track) && read.size != 0 && !read.verified && !said) {
    said = true;
    const std::string note =
        StrFormat(read.size == kEdcReadBlockBytes ? kNoEdcAudioText : kNoEdcMode2Text,
                  static_cast<long long>(lba));
    run.host.Show(JobText::kStatusLine, note);
    run.host.Show(JobText::kStatus, note);
    run.log.Note(run.cdb, note);
  }
  // A verified read asks for whole blocks; the log shows the command as sent.
  Cdb cdb = run.cdb;
  if (read.verified) cdb[9] = kEdcReadSelection;
  const std::uint32_t per_block = read.verified ? kEdcReadBlockBytes : read.size;
  const std::uint32_t expected = blocks * per_block;
  read.area =
      std::span<std::uint8_t>(run.buffer).first(expected != 0 ? expected : blocks * kBlockRoom);
  const Clock::Duration before = run.clock.Now();
  read.reply = ReadBlocks(run.session, cdb, read.area, expected);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(run.clock.Now() - before).count();
  read.marker = run.walk.StepMarker();

  bool not_found = false;
  SizedReply sized;
  if (read.verified && blocks != 0) {
    read.short_reply = read.reply.good() && (read.reply.short_reply || read.reply.overrun);
  } else if (read.reply.good() && blocks != 0) {
    sized = SizeTheReply(
        run.session, run.sizes, track,
        {run.cdb, blocks, static_cast<std::uint32_t>(read.area.size()), lba, read.reply});
    read.size = sized.size;
    read.short_reply = sized.short_reply || read.reply.overrun;
    not_found = sized.not_found;
    if (!s.verify_edc && expected == 0 && !run.said_hidden &&
        PathHidesShortTransfers(read.reply, std::uint64_t{blocks} * read.size)) {
      run.said_hidden = true;
      run.host.Show(JobText::kStatusLine, kHiddenShortText);
      run.host.Show(JobText::kStatus, kHiddenShortText);
    }
  }
  // The read that found its track's size came back with nothing counted (a path that counts
  // none of a read into more room than its blocks): its bytes prove nothing, so it is one good
  // command, and the read is sent again at the size found.
  if (expected == 0 && read.size != 0 && read.reply.good() && read.reply.received == 0 &&
      read.reply.way == ReceivedWay::kResidual && !sized.failed_probe) {
    run.log.Command(true, cdb, "", ms, read.marker);
    return SendRead(run, lba, length, true, will_retry);
  }
  const bool reply_ok = read.reply.good() && !read.short_reply;
  read.ok = reply_ok && !sized.failed_probe;
  // A read sent twice (the second over another fill) is two commands when the reply came whole,
  // the time shared between them. One that came short is one failed command: the first of the
  // two was no good read either.
  const bool two_commands = read.reply.second_read && reply_ok;
  if (two_commands) run.log.Command(true, cdb, "", ms / 2, read.marker);
  const std::string error_text = read.short_reply
                                     ? StrFormat(kShortReplyText, read.reply.received,
                                                 blocks * (read.verified ? per_block : read.size))
                                     : read.reply.outcome.error_text;
  run.log.Command(reply_ok, cdb, error_text, two_commands ? ms - ms / 2 : ms, read.marker);
  if (!reply_ok) {
    // The session's status line names the failure but not which read it was: the job does.
    const std::string failure =
        read.short_reply ? error_text : FailureTextsOf(read.reply.outcome).status_line;
    run.host.Show(JobText::kStatusLine,
                  failure + StrFormat(kFailedReadLbaText, lba, static_cast<unsigned>(lba)));
  }
  if (sized.failed_probe) {
    // The probe that was to find the size failed: a failed command of its own, logged.
    run.log.Command(false, sized.failed_probe_cdb, sized.failed_probe->error_text, 0, read.marker);
  }
  if (not_found && !run.said_no_size) {
    run.said_no_size = true;
    const std::string note = StrFormat(kBlockSizeNotFoundText, lba, static_cast<unsigned>(lba));
    run.host.Show(JobText::kStatusLine, note);
    run.host.Show(JobText::kStatus, note);
    run.log.Note(run.cdb, note);
  }
  const auto go_past = [&](const CommandOutcome& outcome, bool short_reply) {
    if (s.mode.end_on_command_error() && !will_retry) {
      result_.verdict.EndedBy(outcome, short_reply);
    } else {
      result_.verdict.WentPast(outcome, short_reply);
    }
  };
  if (!reply_ok) go_past(read.reply.outcome, read.short_reply);
  if (sized.failed_probe) go_past(*sized.failed_probe, false);
  if (!read.ok) {
    if (!will_retry) coverage.Failed(lba, blocks);
  } else if (blocks != 0 && read.size == 0) {
    coverage.Skipped(lba, blocks, SkipReason::kNoBlockSize);
  } else {
    if (read.verified) {
      read.edc_bad = VerifyAndCompact(read.area, lba, blocks, &run.edc_flags);
      ForEachFlaggedRun(run.edc_flags, [&](std::size_t i, std::size_t count) {
        const auto first = static_cast<std::int32_t>(lba + static_cast<std::int32_t>(i));
        coverage.EdcFailed(first, count);
        run.log.Note(cdb, StrFormat(kEdcFailedLogText, first, static_cast<unsigned>(first),
                                    static_cast<unsigned>(count)));
      });
    }
    // The blocks the reference does not hold are read and not compared (a block whose EDC
    // failed is that failure instead).
    std::uint64_t unread = 0;
    if (s.data_check && s.data_check_type == DataCheckType::kOther) {
      for (const auto& [first, count] : UnreadRunsIn(options_.unread_in_reference, lba, blocks)) {
        for (std::int64_t b = first; b < first + static_cast<std::int64_t>(count); ++b) {
          if (read.edc_bad != 0 && run.edc_flags[static_cast<std::size_t>(b - lba)]) continue;
          coverage.CheckSkipped(b, 1, SkipReason::kUnreadInReference);
          ++unread;
        }
      }
    }
    coverage.ReadWhole(blocks - unread - read.edc_bad);
    read.unread = unread;
  }
  return read;
}

void AgeingJob::CheckAndShowData(JobContext& ctx, CommandRun& run, const SentRead& read,
                                 bool window_due) {
  const AgeingSettings& s = settings_;
  const std::uint32_t moved =
      MovedBytes(read.ok, read.reply.received, static_cast<std::uint32_t>(read.length), read.size);
  run.bytes_moved += moved;
  if (moved == 0) return;
  const auto data = std::span<const std::uint8_t>(read.area).first(moved);
  if (!s.data_check || read.size != 0) {
    CheckData(ctx, run.check, run.log, {read.lba, data, read.length, read.size}, run.cdb,
              read.marker, &run.message);
  }
  if (s.data_check && read.size != 0) {
    result_.verdict.coverage().Compared(static_cast<std::uint64_t>(read.length) - read.unread -
                                        read.edc_bad);
  }
  if (s.display_received && read.length != 0 && window_due) {
    std::string dump;
    DumpHex(data.first(std::min(kReceivedDisplayBytes, data.size())), &dump, false,
            options_.group_size);
    run.host.Show(JobText::kDump, dump);
  }
}

void AgeingJob::ShowProgress(CommandRun& run, std::int32_t lba) {
  const AgeingSettings& s = settings_;
  const LogCounts& c = run.log.counts();
  run.host.Show(JobText::kCounters,
                AgeingCountersText(c.commands, c.failed_commands, c.data_ng, s.data_check));
  if (s.data_check && !run.message.empty()) run.host.Show(JobText::kStatusLine, run.message);
  JobProgress p;
  p.done = static_cast<std::uint64_t>(c.commands);
  p.total = run.walk.budget() > 0 ? static_cast<std::uint64_t>(run.walk.budget()) : 0;
  p.address = static_cast<std::uint32_t>(lba);
  const double seconds = std::chrono::duration<double>(run.clock.Now() - run.started).count();
  if (seconds > 0) p.bytes_per_second = static_cast<double>(run.bytes_moved) / seconds;
  run.host.Progress(p);
}

void AgeingJob::Pause(CommandRun& run, bool window_due) {
  const AgeingSettings& s = settings_;
  // Drawn from 0 to Interval Time, which may be the largest int.
  const auto pause = static_cast<int>(
      s.random_interval ? run.random.Draw() % (std::int64_t{s.interval_ms} + 1) : s.interval_ms);
  run.log.Flush(std::chrono::milliseconds(pause));
  run.clock.Sleep(std::chrono::milliseconds(pause));
  run.log.Interval(pause);
  if (window_due) run.host.Show(JobText::kPause, StrFormat("%dmsec", pause));
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
