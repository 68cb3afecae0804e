// tamarack-cli tracktest type13|type30|type30+1|type30-1 --drive ID [--drive ID ...] [--json]
// tamarack-cli subq-check --drive ID [--drive ID ...] [--json]
// tamarack-cli lba2msf N [--hex] | msf2lba TEXT [--bcd] | subq-crc HEX...

#include <CLI/CLI.hpp>
#include <iostream>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/job_terminal.h"
#include "cli/multi_drive_run.h"
#include "platform/env.h"
#include "tools/conversion_tools.h"
#include "tools/sub_q_check.h"
#include "tools/track_test.h"

namespace tamarack::cli {

namespace {

struct DriveOptions {
  DriveRunRequest drives;
  std::uint32_t timeout = kDefaultCommandTimeout;
};

// A job's progress line is drawn in place only on a terminal.
bool ErrIsTerminal(const CliContext& context) {
  return context.err == &std::cerr && Env::Default().IsTerminal(StandardStream::kError);
}

// The Sub-Q check's three lines (copy bit, channels, CRC errors and summary) all print.
class SubQTerminalHost final : public TerminalJobHost {
 public:
  using TerminalJobHost::TerminalJobHost;
  void Show(JobText where, const std::string& text) override {
    if (where != JobText::kCounters && where != JobText::kSecondStatus &&
        where != JobText::kStatus) {
      return;
    }
    std::string clean;
    for (char c : text) {
      if (c != '\r') clean += c;
    }
    TerminalJobHost::Show(JobText::kStatus, clean);
  }
};

// Why the job failed, and how many of its reads were sent a second time, on standard error.
void PrintReadNotes(CliContext& context, const char* name, const JobVerdict& verdict,
                    const std::string& failure, std::uint64_t second_reads) {
  if (!verdict.good() && !failure.empty()) {
    *context.err << "tamarack-cli " << name << ": " << failure << "\n";
  }
  if (second_reads != 0) {
    *context.err << "tamarack-cli " << name << ": " << SecondReadsLine(second_reads);
  }
}

DriveOutcome RunTrackTest(TrackTestKind kind, const DriveOptions& o, const DriveSlot& drive,
                          CliContext& context) {
  const std::unique_ptr<DeviceSession> session =
      OpenSubcommandDrive(context, drive.id, "tracktest", o.timeout);
  if (!session) return CannotOpenOutcome();
  // The drives' own clock (a simulated one in tests), as the other jobs use.
  Clock& clock = context.clock ? *context.clock : RealClock();
  JobRunner runner(*session, clock);
  TerminalJobHost host(*context.out, *context.err, nullptr, ErrIsTerminal(context),
                       AnswerPolicy::kStop, clock, "reads");
  auto job = std::make_shared<TrackTestJob>(kind);
  RunJobFromTerminal(runner, job, host, context.lane);
  const TrackTestResult& r = job->result();
  PrintReadNotes(context, "tracktest", r.verdict, r.failure_text, r.second_reads);
  return OutcomeOf(r.verdict, {{"reads", r.reads}, {"ng", static_cast<std::uint64_t>(r.ng_lines)}});
}

DriveOutcome RunSubQCheck(const DriveOptions& o, const DriveSlot& drive, CliContext& context) {
  const std::unique_ptr<DeviceSession> session =
      OpenSubcommandDrive(context, drive.id, "subq-check", o.timeout);
  if (!session) return CannotOpenOutcome();
  // The drives' own clock (a simulated one in tests), as the other jobs use.
  Clock& clock = context.clock ? *context.clock : RealClock();
  JobRunner runner(*session, clock);
  SubQTerminalHost host(*context.out, *context.err, nullptr, ErrIsTerminal(context),
                        AnswerPolicy::kStop, clock, "blocks");
  auto job = std::make_shared<SubQCheckJob>();
  RunJobFromTerminal(runner, job, host, context.lane);
  const SubQCheckResult& r = job->result();
  PrintReadNotes(context, "subq-check", r.verdict, r.failure_text, r.second_reads);
  return OutcomeOf(r.verdict,
                   {{"reads", r.reads}, {"crc_errors", static_cast<std::uint64_t>(r.crc_errors)}});
}

// One conversion: its line on standard output; "Error!" exits 1.
int PrintConversion(const std::string& line, CliContext& context) {
  *context.out << line << "\n";
  return line == kConversionErrorText ? kExitBadArguments : kExitGood;
}

void AddDriveOptions(CLI::App* cmd, DriveOptions* o) {
  AddDriveRunOptions(cmd, &o->drives);
  cmd->add_option("--timeout", o->timeout, "Time-out in seconds")->check(CLI::Range(1u, 86400u));
}

}  // namespace

void AddToolCommands(CLI::App& app, CliContext& context) {
  {
    auto* cmd = app.add_subcommand(
        "tracktest",
        "Track reading test of a test disc: exit 0 when every line is Ok, 14 when one is Ng");
    auto o = std::make_shared<DriveOptions>();
    auto test = std::make_shared<std::string>();
    cmd->add_option("test", *test, "type13, type30, type30+1 or type30-1")
        ->required()
        ->check(CLI::IsMember({"type13", "type30", "type30+1", "type30-1"}));
    AddDriveOptions(cmd, o.get());
    cmd->callback([&context, o, test] {
      TrackTestKind kind = TrackTestKind::kType13;
      if (*test == "type30") kind = TrackTestKind::kType30Normal;
      if (*test == "type30+1") kind = TrackTestKind::kType30Plus1;
      if (*test == "type30-1") kind = TrackTestKind::kType30Minus1;
      context.exit_code = RunOnDrives(
          context, o->drives,
          [&](const DriveSlot& drive, CliContext& c) { return RunTrackTest(kind, *o, drive, c); });
    });
  }
  {
    auto* cmd = app.add_subcommand(
        "subq-check", "Check the Q sub-channel of every block: CRC errors, copy and emphasis bits");
    auto o = std::make_shared<DriveOptions>();
    AddDriveOptions(cmd, o.get());
    cmd->callback([&context, o] {
      context.exit_code = RunOnDrives(
          context, o->drives,
          [&](const DriveSlot& drive, CliContext& c) { return RunSubQCheck(*o, drive, c); });
    });
  }
  {
    auto* cmd = app.add_subcommand("lba2msf", "The MSF address of an LBA");
    auto text = std::make_shared<std::string>();
    auto hex = std::make_shared<bool>(false);
    cmd->add_option("lba", *text, "The LBA (decimal, or hexadecimal with --hex)")->required();
    cmd->add_flag("--hex", *hex, "Read the LBA in hexadecimal");
    cmd->callback([&context, text, hex] {
      context.exit_code = PrintConversion(LbaToMsfText(*text, *hex), context);
    });
  }
  {
    auto* cmd = app.add_subcommand("msf2lba", "The LBA of an MSF address typed as mmssff");
    auto text = std::make_shared<std::string>();
    auto bcd = std::make_shared<bool>(false);
    cmd->add_option("msf", *text, "mmssff: hexadecimal pairs (16212c), or decimal with --bcd")
        ->required();
    cmd->add_flag("--bcd", *bcd, "Read each pair as two decimal digits (223344)");
    cmd->callback([&context, text, bcd] {
      context.exit_code = PrintConversion(MsfToLbaText(*text, *bcd), context);
    });
  }
  {
    auto* cmd = app.add_subcommand("subq-crc", "The CRC of a Q sub-channel record (10 bytes)");
    auto parts = std::make_shared<std::vector<std::string>>();
    cmd->add_option("hex", *parts, "The record in hexadecimal, blanks allowed")->required();
    cmd->callback([&context, parts] {
      std::string text;
      for (const std::string& p : *parts) text += p + " ";
      context.exit_code = PrintConversion(SubQCrcText(text), context);
    });
  }
}

}  // namespace tamarack::cli
