// tamarack-cli age --drive ID [--drive ID ...] [--settings FILE.age] [--command
// read10|read12|readcd]
//   [--start LBA] [--end LBA] [--length N] [--step N]
//   [--method twopoint|step|random|randomstep] [--loop once|endless|N] [--interval MS]
//   [--random-interval] [--random-length] [--check type13|type30|file:PATH] [--stop-on-error]
//   [--retries N] [--stop-on-data-error] [--verify-edc] [--log PATH] [--html] [--detail
//   simple|medium|detailed]
//   [--failed-only] [--seed N] [--yes] [--json]
//
// Flags override the .age file's values; only --log names a log (a .age file's LogFile= is the
// window's), and a log that cannot be opened stops the run before it starts. Exit status
// (ExitStatusOf): 99 cancelled (Ctrl-C, SIGTERM), 15 the log could not be written, 1 the
// settings did not let the run start, the category of the failure that ended the run or of the
// last one it went past (97 a short reply), 14 data that differed, 0 all good.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>

#include "ageing/ageing_job.h"
#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/job_terminal.h"
#include "cli/multi_drive_run.h"
#include "job/job_runner.h"
#include "refdata/reference_job.h"
#include "shell/settings_format.h"
#include "shell/tab_file.h"
#include "util/strings.h"
#include "util/text_file.h"

namespace tamarack::cli {

namespace {

struct AgeOptions {
  DriveRunRequest drives;
  std::string settings;
  std::string command;
  std::optional<std::int32_t> start, end, length, step, interval;
  std::string method;
  std::string loop;
  bool random_interval = false;
  bool random_length = false;
  std::string check;
  bool stop_on_error = false;
  std::optional<std::int32_t> retries;
  bool stop_on_data_error = false;
  bool verify_edc = false;
  std::string log;
  bool html = false;
  std::string detail;
  bool failed_only = false;
  std::optional<std::uint32_t> seed;
  bool yes = false;
  std::uint32_t timeout = kDefaultCommandTimeout;
};

// The terminal's progress line ends with the counter box and the command rate.
class AgeTerminalHost final : public TerminalJobHost {
 public:
  using TerminalJobHost::TerminalJobHost;
  void Show(JobText where, const std::string& text) override {
    if (where == JobText::kCounters) {
      counters_ = text;
      return;
    }
    TerminalJobHost::Show(where, text);
  }
  void Progress(const JobProgress& p) override {
    const double seconds = std::chrono::duration<double>(Elapsed()).count();
    std::string rate;
    if (seconds > 0) rate = StrFormat("%.0f commands/s", static_cast<double>(p.done) / seconds);
    SetCounters(counters_ + rate);
    TerminalJobHost::Progress(p);
  }

 private:
  std::string counters_;
};

// Applies the flags to the settings; false with a message for a value it does not take.
bool ApplyFlags(const AgeOptions& o, AgeingSettings* s, std::string* error) {
  if (!o.command.empty()) {
    if (o.command == "read10") {
      s->command_index = 0;
    } else if (o.command == "read12") {
      s->command_index = 1;
    } else if (o.command == "readcd") {
      s->command_index = 2;
    } else {
      *error = "--command takes read10, read12 or readcd";
      return false;
    }
  }
  if (o.start) s->start_lba = *o.start;
  if (o.end) s->end_lba = *o.end;
  if (o.length) s->transfer_length = *o.length;
  if (o.step) s->step = *o.step;
  if (o.interval) s->interval_ms = *o.interval;
  if (!o.method.empty()) {
    static const char* const kMethods[] = {"twopoint", "step", "random", "randomstep"};
    int found = -1;
    for (int i = 0; i < kMethodCount; ++i) {
      if (o.method == kMethods[i]) found = i;
    }
    if (found < 0) {
      *error = "--method takes twopoint, step, random or randomstep";
      return false;
    }
    s->mode.set_method(found);
  }
  if (!o.loop.empty()) {
    if (o.loop == "once") {
      s->mode.set_loop(static_cast<int>(LoopMode::kOnce));
    } else if (o.loop == "endless") {
      s->mode.set_loop(static_cast<int>(LoopMode::kEndless));
    } else if (o.loop.find_first_not_of("0123456789") == std::string::npos && o.loop.size() < 10) {
      s->mode.set_loop(static_cast<int>(LoopMode::kCounted));
      s->loop_count = DecimalValue(o.loop);
    } else {
      *error = "--loop takes once, endless or a number of loops";
      return false;
    }
  }
  if (o.random_interval) s->random_interval = true;
  if (o.random_length) s->random_length = true;
  if (!o.check.empty()) {
    s->data_check = true;
    if (o.check == "type13") {
      s->data_check_type = DataCheckType::kType13;
    } else if (o.check == "type30") {
      s->data_check_type = DataCheckType::kType30;
    } else if (o.check.rfind("file:", 0) == 0 && o.check.size() > 5) {
      s->data_check_type = DataCheckType::kOther;
      s->data_file = o.check.substr(5);
    } else {
      *error = "--check takes type13, type30 or file:PATH";
      return false;
    }
  }
  if (o.stop_on_error) s->mode.set_end_on_command_error(true);
  if (o.retries) s->retries = *o.retries;
  if (o.stop_on_data_error) s->mode.set_end_on_data_error(true);
  if (o.verify_edc) s->verify_edc = true;
  LogWhat what = s->log_options.what();
  LogDetail detail = s->log_options.detail();
  // The window's log file of the .age file is not the terminal's.
  s->log_path = o.log;
  if (!o.log.empty() && what == LogWhat::kNothing) what = LogWhat::kAll;
  if (o.failed_only) what = LogWhat::kFailedOnly;
  if (!o.detail.empty()) {
    if (o.detail == "simple") {
      detail = LogDetail::kSimple;
    } else if (o.detail == "medium") {
      detail = LogDetail::kMedium;
    } else if (o.detail == "detailed") {
      detail = LogDetail::kDetailed;
    } else {
      *error = "--detail takes simple, medium or detailed";
      return false;
    }
  }
  if (s->log_path.empty()) what = LogWhat::kNothing;
  s->log_options = LogOptionWord(what, detail);
  if (o.html) s->log_html = true;
  return true;
}

// The blocks the reference file of a "file:" check lists as unread (FILE.unread beside it;
// none when there is no list). False with the list and its line when it cannot be read.
bool ReadUnreadOfReference(const AgeingSettings& s,
                           std::vector<std::pair<std::uint32_t, std::uint32_t>>* out,
                           std::string* error) {
  if (!s.data_check || s.data_check_type != DataCheckType::kOther) return true;
  UnreadBlocks blocks;
  if (!ReadUnreadListOf(s.data_file, &blocks, error)) return false;
  for (const UnreadRange& r : blocks.ranges()) out->emplace_back(r.first, r.last);
  return true;
}

// The coverage counts of a run, for the table and `--json`.
void AddCoverageCounts(const Coverage& c, bool check, std::vector<DriveCount>* counts) {
  counts->push_back({"blocks_asked", c.asked()});
  counts->push_back({"blocks_read", c.read_whole()});
  if (check) counts->push_back({"blocks_compared", c.compared()});
  counts->push_back({"blocks_failed", c.failed()});
  counts->push_back({"blocks_skipped", c.skipped() + c.check_skipped()});
  if (c.edc_failed() != 0) counts->push_back({"blocks_edc_failed", c.edc_failed()});
  if (c.recovered() != 0) counts->push_back({"blocks_recovered", c.recovered()});
}

// One drive's run with the settings every drive shares; the log is the drive's own.
DriveOutcome AgeOnDrive(const AgeOptions& o, AgeingSettings s,
                        const std::vector<std::pair<std::uint32_t, std::uint32_t>>& unread,
                        const DriveSlot& drive, CliContext& context) {
  std::ostream& out = *context.out;
  std::ostream& err = *context.err;
  if (!s.log_path.empty()) s.log_path = drive.File(s.log_path);
  const std::unique_ptr<DeviceSession> session =
      OpenSubcommandDrive(context, drive.id, "age", o.timeout);
  if (!session) return CannotOpenOutcome();
  Clock& clock = context.clock ? *context.clock : RealClock();
  JobRunner runner(*session, clock);
  AgeTerminalHost host(out, err, context.in, context.terminal,
                       o.yes ? AnswerPolicy::kYes : AnswerPolicy::kPrompt, clock, "commands");
  AgeingRunOptions options;
  options.seed = o.seed;
  options.refuse_without_log = true;
  options.unread_in_reference = unread;
  auto job = std::make_shared<AgeingJob>(s, options);
  RunJobFromTerminal(runner, job, host, context.lane);
  const AgeingResult& r = job->result();
  std::vector<DriveCount> counts;
  if (r.refusal == AgeingRefusal::kNone) {
    out << StrFormat("commands %lld, failed %lld", static_cast<long long>(r.commands),
                     static_cast<long long>(r.failed_commands));
    counts.push_back({"commands", static_cast<std::uint64_t>(r.commands)});
    counts.push_back({"failed", static_cast<std::uint64_t>(r.failed_commands)});
    if (r.recovered_reads != 0) {
      out << StrFormat(", recovered %lld", static_cast<long long>(r.recovered_reads));
      counts.push_back({"recovered", static_cast<std::uint64_t>(r.recovered_reads)});
    }
    if (s.data_check) {
      out << StrFormat(", data OK %lld, data NG %lld", static_cast<long long>(r.counts.data_ok),
                       static_cast<long long>(r.counts.data_ng));
      counts.push_back({"data_ok", static_cast<std::uint64_t>(r.counts.data_ok)});
      counts.push_back({"data_ng", static_cast<std::uint64_t>(r.counts.data_ng)});
    }
    out << "\n";
    // What became of every block the commands asked for: a run is good only when each was
    // read whole (and compared).
    out << CoverageLine(r.verdict.coverage());
    AddCoverageCounts(r.verdict.coverage(), s.data_check, &counts);
    if (s.log_options.what() != LogWhat::kNothing && r.log_failure.empty()) {
      out << "log: " << s.log_path << "\n";
    }
    if (r.verdict.refused()) err << "tamarack-cli age: " << *r.verdict.refused() << "\n";
  }
  return OutcomeOf(r.verdict, std::move(counts));
}

int Age(AgeOptions& o, CliContext& context) {
  std::ostream& err = *context.err;
  // Without a file the terminal's run logs every command simply, when a log is named.
  AgeingSettings s;
  s.log_html = false;
  s.display_received = false;
  s.log_options = LogOptionWord(LogWhat::kAll, LogDetail::kSimple);
  if (!o.settings.empty()) {
    // The ".age" file goes through the settings reader, as the window's load does.
    SettingsData file;
    file.ageing = s;
    std::string reason;
    if (!LoadSettingsLinesFile(o.settings, &file, &reason)) {
      err << "tamarack-cli age: cannot read " << reason << "\n";
      return kExitBadArguments;
    }
    s = file.ageing;
  }
  std::string error;
  if (!ApplyFlags(o, &s, &error)) {
    err << "tamarack-cli age: " << error << "\n";
    return kExitBadArguments;
  }
  std::vector<std::pair<std::uint32_t, std::uint32_t>> unread;
  if (!ReadUnreadOfReference(s, &unread, &error)) {
    err << "tamarack-cli age: " << error << "\n";
    return kExitBadArguments;
  }
  o.drives.files = {{"--log", o.log}};
  return RunOnDrives(context, o.drives, [&o, &s, &unread](const DriveSlot& drive, CliContext& c) {
    return AgeOnDrive(o, s, unread, drive, c);
  });
}

}  // namespace

void AddAgeCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("age", "Run an ageing (endurance) test of reads");
  auto o = std::make_shared<AgeOptions>();
  AddDriveRunOptions(cmd, &o->drives);
  cmd->add_option("--settings", o->settings, "Ageing settings file (.age) to start from");
  cmd->add_option("--command", o->command, "read10, read12 or readcd");
  cmd->add_option("--start", o->start, "Start LBA");
  cmd->add_option("--end", o->end, "End LBA (below Start LBA: the range is walked downwards)");
  cmd->add_option("--length", o->length, "Blocks per command, 0 to 100");
  cmd->add_option("--step", o->step, "Address step of the step methods");
  cmd->add_option("--method", o->method, "twopoint, step, random or randomstep");
  cmd->add_option("--loop", o->loop, "once, endless or a number of passes");
  cmd->add_option("--interval", o->interval, "Pause after each command in milliseconds");
  cmd->add_flag("--random-interval", o->random_interval, "Draw each pause at random");
  cmd->add_flag("--random-length", o->random_length, "Draw each command's length at random");
  cmd->add_option("--check", o->check, "Check the data: type13, type30 or file:PATH");
  cmd->add_flag("--stop-on-error", o->stop_on_error, "End the run on a command error");
  cmd->add_option("--retries", o->retries,
                  "With --stop-on-error, send a failed read again up to N times before the run "
                  "stops (0 to 16, default 1); one that comes whole is recovered")
      ->check(CLI::Range(0, kMostRetries));
  cmd->add_flag("--stop-on-data-error", o->stop_on_data_error, "End the run on a data error");
  cmd->add_flag("--verify-edc", o->verify_edc,
                "Read CD's data blocks read whole and checked against their EDC");
  cmd->add_option("--log", o->log, "Log file (replaced); {drive} stands for the drive's name");
  cmd->add_flag("--html", o->html, "Write the log as HTML");
  cmd->add_option("--detail", o->detail, "Log detail: simple, medium or detailed");
  cmd->add_flag("--failed-only", o->failed_only, "Log failed commands and data checks only");
  cmd->add_option("--seed", o->seed, "Seed of the random addresses, lengths and pauses");
  cmd->add_flag("--yes", o->yes, "Answer the run's questions with yes");
  cmd->add_option("--timeout", o->timeout, "Time-out in seconds")->check(CLI::Range(1u, 86400u));
  cmd->callback([&context, o] { context.exit_code = Age(*o, context); });
}

}  // namespace tamarack::cli
