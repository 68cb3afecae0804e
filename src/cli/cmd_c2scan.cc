// tamarack-cli c2scan --drive ID [--drive ID ...] [--start LBA] [--end LBA] [--blocks N]
//                     [--max-c2 N] [--save FILE] [--plot FILE.svg|FILE.png] [--json]
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>
#include <ostream>
#include <string>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/job_terminal.h"
#include "cli/multi_drive_run.h"
#include "cli/plot_file.h"
#include "job/job_runner.h"
#include "measure/c2_scan_job.h"
#include "measure/graph_view.h"
#include "platform/env.h"
#include "util/strings.h"
#include "util/text_file.h"

namespace tamarack::cli {
namespace {

struct C2ScanOptions {
  DriveRunRequest drives;
  std::int32_t blocks = kDefaultC2BlockCount;
  std::string start;
  std::string end;
  std::string max_c2;
  std::string save;
  std::string plot;
  std::uint32_t timeout = kDefaultCommandTimeout;
};

// The scan's lines on the terminal: the model, the first command, the status lines (what page
// 2Ah says, a failure) and the summary.
class C2ScanHost final : public TerminalJobHost {
 public:
  using TerminalJobHost::TerminalJobHost;
  std::ostream* out = nullptr;

  void Show(JobText where, const std::string& text) override {
    switch (where) {
      case JobText::kModel:
        Line("model: " + text);
        break;
      case JobText::kCdb:
        Line("cdb: " + text.substr(0, text.find_last_not_of(' ') + 1));
        break;
      case JobText::kStatusLine:
        Line(text);
        break;
      default:
        TerminalJobHost::Show(where, text);
        break;
    }
  }

 private:
  void Line(const std::string& text) {
    EndProgressLine();
    *out << text << '\n' << std::flush;
  }
};

// The plot: a pixel a second of the disc across, within sensible bounds.
Box C2PlotBox(const C2Record& record) {
  const auto seconds = static_cast<std::int64_t>(record.seconds().size());
  return Box{0, 0, static_cast<int>(std::clamp<std::int64_t>(seconds + 60, 800, 8000)), 500};
}

DriveOutcome ScanOnDrive(const C2ScanOptions& o, const C2ScanSettings& settings, PlotKind plot,
                         const DriveSlot& drive, CliContext& context) {
  std::ostream& out = *context.out;
  std::ostream& err = *context.err;
  const std::string save = drive.File(o.save);
  const std::string plot_path = drive.File(o.plot);
  const std::unique_ptr<DeviceSession> session =
      OpenSubcommandDrive(context, drive.id, "c2scan", o.timeout);
  if (!session) return CannotOpenOutcome();
  Clock& clock = context.clock ? *context.clock : RealClock();
  const bool terminal =
      context.err == &std::cerr && Env::Default().IsTerminal(StandardStream::kError);
  C2ScanHost host(out, err, nullptr, terminal, AnswerPolicy::kStop, clock);
  host.out = &out;
  JobRunner runner(*session, clock);
  auto job = std::make_shared<C2ScanJob>(settings);
  RunJobFromTerminal(runner, job, host, context.lane);

  C2ScanResult r = job->result();
  JobVerdict& verdict = r.verdict;
  const C2Summary& s = r.summary;
  out << StrFormat("commands: %llu (blocks read again alone: %llu)\n",
                   static_cast<unsigned long long>(r.commands),
                   static_cast<unsigned long long>(r.single_reads));
  const auto outcome = [&] {
    std::vector<DriveCount> counts = {{"blocks", s.blocks},
                                      {"c2_errors", s.errors},
                                      {"error_blocks", s.error_blocks},
                                      {"bad_blocks", s.bad_blocks},
                                      {"unreadable", s.unreadable},
                                      {"edc_mismatches", s.edc_failed},
                                      {"commands", r.commands}};
    if (s.worst) {
      counts.push_back({"worst_second_lba", static_cast<std::uint64_t>(s.worst->first_lba)});
      counts.push_back({"worst_second_errors", s.worst->errors});
    }
    if (settings.max_per_second) counts.push_back({"seconds_over_limit", s.seconds_over_limit});
    return OutcomeOf(verdict, std::move(counts));
  };
  if (r.record.blocks_scanned() == 0) {
    for (const std::string* file : {&save, &plot_path}) {
      if (!file->empty())
        err << "tamarack-cli c2scan: nothing scanned, " << *file << " not written\n";
    }
    return outcome();
  }
  std::string error;
  if (!save.empty()) {
    if (WriteFileAtomically(save, FormatC2File(r.record, r.model), &error)) {
      out << "saved: " << save << "\n";
    } else {
      err << "tamarack-cli c2scan: " << error << "\n";
      verdict.FileFailed(error);
    }
  }
  if (plot != PlotKind::kNone) {
    const Box box = C2PlotBox(r.record);
    if (WritePlot(plot_path, plot, DrawC2Graph(r.record, box), box.width(), box.height(), context,
                  &error)) {
      out << "plot: " << plot_path << "\n";
    } else {
      err << "tamarack-cli c2scan: " << error << "\n";
      verdict.FileFailed(error);
    }
  }
  return outcome();
}

int C2Scan(C2ScanOptions& o, CliContext& context) {
  std::ostream& err = *context.err;
  C2ScanSettings settings;
  settings.block_count = o.blocks;
  if (!ParseBlockRange(o.start, o.end, "c2scan", &settings.first_override, &settings.last_override,
                       err)) {
    return kExitBadArguments;
  }
  if (!o.max_c2.empty()) {
    const auto limit = ParseDigits(o.max_c2, 10, 0xFFFFFFFFu);
    if (!limit) {
      err << "tamarack-cli c2scan: --max-c2 takes a whole number of C2 errors a second\n";
      return kExitBadArguments;
    }
    settings.max_per_second = *limit;
  }
  PlotKind plot = PlotKind::kNone;
  if (!PlotKindOf(o.plot, "c2scan", &plot, err)) return kExitBadArguments;
  o.drives.files = {{"--save", o.save}, {"--plot", o.plot}};
  return RunOnDrives(context, o.drives, [&](const DriveSlot& drive, CliContext& c) {
    return ScanOnDrive(o, settings, plot, drive, c);
  });
}

}  // namespace

void AddC2ScanCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand(
      "c2scan", "Count the C2 error pointers of every block from the first track to the last");
  auto o = std::make_shared<C2ScanOptions>();
  AddDriveRunOptions(cmd, &o->drives);
  cmd->add_option("--start", o->start, "First block instead of the first track's (0x for hex)");
  cmd->add_option("--end", o->end, "Last block instead of the disc's last (0x for hex)");
  cmd->add_option("--blocks", o->blocks, "Blocks per Read CD command (default 16, at most 1000)");
  cmd->add_option("--max-c2", o->max_c2,
                  "Fail when a second of the disc (75 blocks) has more C2 errors than this");
  cmd->add_option("--save", o->save,
                  "Write the counts per second and per block to a text file; {drive} stands for "
                  "the drive's name");
  cmd->add_option("--plot", o->plot,
                  "Draw the C2 errors per second to FILE.svg or FILE.png; {drive} stands for the "
                  "drive's name");
  cmd->add_option("--timeout", o->timeout, "Time-out in seconds")->check(CLI::Range(1u, 86400u));
  cmd->callback([&context, o] { context.exit_code = C2Scan(*o, context); });
}

}  // namespace tamarack::cli
