// tamarack-cli measure --drive ID [--drive ID ...] [--blocks N] [--start LBA] [--end LBA]
//                      [--save FILE.msr] [--plot FILE.png|FILE.svg] [--json]
// tamarack-cli msr FILE.msr [--plot FILE.png|FILE.svg]: a saved measurement's summary and
// graph.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <limits>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/job_terminal.h"
#include "cli/multi_drive_run.h"
#include "cli/plot_file.h"
#include "device/device_session.h"
#include "job/job_runner.h"
#include "measure/graph_view.h"
#include "measure/measurement_file.h"
#include "measure/speed_measurement_job.h"
#include "platform/env.h"
#include "shell/tab_file.h"
#include "util/strings.h"

namespace tamarack::cli {

namespace {

struct MeasureOptions {
  DriveRunRequest drives;
  std::int32_t blocks = kDefaultMeasureBlockCount;
  std::string start;
  std::string end;
  std::string save;
  std::string plot;
  std::uint32_t timeout = kDefaultCommandTimeout;
};

// The job's running "current LBA" status, as shown in the user's language: its text before the
// number.
bool IsRunningLbaLine(std::string_view text) {
  for (const char* format : {kMeasureCurrentLbaText, kMeasureCurrentLbaHexText}) {
    const std::string_view shown = Tr(format);
    const std::string_view head = shown.substr(0, shown.find('%'));
    if (!head.empty() && text.starts_with(head)) return true;
  }
  return false;
}

// The measurement's lines on the terminal: the model, the command, the status line, the final
// status and the rotation. The current LBA and speed go into the progress line instead of
// lines of their own. The status line is printed as it stands whenever the job reports
// anything (after every command), not at each change: a block size probe that sets it to a
// refused sector type's error and back leaves no line.
class MeasureHost final : public TerminalJobHost, public SessionHost {
 public:
  using TerminalJobHost::TerminalJobHost;
  std::ostream* out = nullptr;

  void Show(JobText where, const std::string& text) override {
    if (where == JobText::kStatusLine) {
      StatusLine(text);
      return;
    }
    FlushStatusLine();
    switch (where) {
      case JobText::kModel:
        Line("model: " + text);
        break;
      case JobText::kCdb:
        Line("cdb: " + text.substr(0, text.find_last_not_of(' ') + 1));
        break;
      case JobText::kStatus:
        if (!IsRunningLbaLine(text)) TerminalJobHost::Show(where, text);
        break;
      case JobText::kResultLine:
        TerminalJobHost::Show(where, text);
        break;
      default:
        break;
    }
  }
  void Message(MessageIcon icon, const std::string& text) override {
    FlushStatusLine();
    TerminalJobHost::Message(icon, text);
  }
  // A failed command's text in the status line.
  void CommandEnded(const CommandOutcome& outcome) override {
    if (outcome.status == CommandStatus::kGood) return;  // every read: nothing to show
    const FailureTexts texts = FailureTextsOf(outcome);
    if (texts.shown) StatusLine(texts.status_line);
  }
  // The status line: "Blk=…", a failure's text, the summary.
  void StatusLine(const std::string& text) {
    std::lock_guard lock(mutex_);
    status_ = text;
  }
  // Prints the status line when it changed since it was last printed.
  void FlushStatusLine() {
    std::string text;
    {
      std::lock_guard lock(mutex_);
      if (status_ == printed_) return;
      text = printed_ = status_;
    }
    if (!text.empty()) Line(text);
  }

 private:
  void Line(const std::string& text) {
    EndProgressLine();
    *out << text << '\n' << std::flush;
  }
  std::mutex mutex_;
  std::string status_;
  std::string printed_;
};

// The plot's size: the whole curve across (1 pixel a MB) within sensible bounds.
Box PlotBox(const SpeedRecord& record) {
  const std::int64_t mb = record.SampleSum() * record.block_size / (1024 * 1024);
  const int width = static_cast<int>(std::clamp<std::int64_t>(mb + 60, 800, 8000));
  return Box{0, 0, width, 500};
}

// Writes the graph; false with the reason in `error`.
bool WritePlot(const std::string& path, PlotKind kind, const SpeedGraph& graph, const Box& box,
               const CliContext& context, std::string* error) {
  return WritePlot(path, kind, graph.drawing, box.width(), box.height(), context, error);
}

// One drive's measurement; its files are the drive's own.
DriveOutcome MeasureOnDrive(const MeasureOptions& o, const MeasureSettings& settings, PlotKind plot,
                            const DriveSlot& drive, CliContext& context) {
  std::ostream& out = *context.out;
  std::ostream& err = *context.err;
  const std::string save = drive.File(o.save);
  const std::string plot_path = drive.File(o.plot);
  const std::unique_ptr<DeviceSession> session =
      OpenSubcommandDrive(context, drive.id, "measure", o.timeout);
  if (!session) return CannotOpenOutcome();
  Clock& clock = context.clock ? *context.clock : RealClock();
  const bool terminal =
      context.err == &std::cerr && Env::Default().IsTerminal(StandardStream::kError);
  MeasureHost host(out, err, nullptr, terminal, AnswerPolicy::kStop, clock);
  host.out = &out;
  session->SetHost(&host);
  JobRunner runner(*session, clock);
  auto job = std::make_shared<SpeedMeasurementJob>(settings);
  RunJobFromTerminal(runner, job, host, context.lane);
  session->SetHost(nullptr);
  host.FlushStatusLine();

  MeasureResult r = job->result();
  JobVerdict& verdict = r.verdict;
  SpeedRecord& record = r.record;
  const auto outcome = [&] {
    return OutcomeOf(verdict, {{"samples", static_cast<std::uint64_t>(record.samples.size())}});
  };
  if (r.total_bytes > 0) {
    out << "read: " << ReadSpeedText(static_cast<std::uint64_t>(r.total_bytes), r.read_elapsed)
        << "\n";
  }
  out << SecondReadsLine(r.second_reads);
  out << CoverageLine(verdict.coverage());
  if (record.samples.empty()) {
    // A run that measured nothing leaves no file behind, not even an empty one.
    for (const std::string* file : {&save, &plot_path}) {
      if (!file->empty())
        err << "tamarack-cli measure: nothing measured, " << *file << " not written\n";
    }
    return outcome();
  }
  // The graph settles its scale (saved with the samples) whether or not it is written.
  const Box box = PlotBox(record);
  const SpeedGraph graph = DrawSpeedGraph(record, box);
  record.scale = graph.scale;
  std::string error;
  if (!save.empty()) {
    if (SaveMeasurementFile(save, record, &error)) {
      out << "saved: " << save;
      if (!record.unfinished.empty()) out << " (" << UnfinishedText(record) << ")";
      out << "\n";
    } else {
      err << "tamarack-cli measure: " << error << "\n";
      verdict.FileFailed(error);
    }
  }
  if (!WritePlot(plot_path, plot, graph, box, context, &error)) {
    err << "tamarack-cli measure: " << error << "\n";
    verdict.FileFailed(error);
  } else if (plot != PlotKind::kNone) {
    out << "plot: " << plot_path << "\n";
  }
  return outcome();
}

int Measure(MeasureOptions& o, CliContext& context) {
  std::ostream& err = *context.err;
  MeasureSettings settings;
  settings.block_count = o.blocks;
  if (!ParseBlockRange(o.start, o.end, "measure", &settings.first_override, &settings.last_override,
                       err)) {
    return kExitBadArguments;
  }
  PlotKind plot = PlotKind::kNone;
  if (!PlotKindOf(o.plot, "measure", &plot, err)) return kExitBadArguments;
  o.drives.files = {{"--save", o.save}, {"--plot", o.plot}};
  return RunOnDrives(context, o.drives, [&](const DriveSlot& drive, CliContext& c) {
    return MeasureOnDrive(o, settings, plot, drive, c);
  });
}

struct MsrOptions {
  std::string file;
  std::string plot;
};

int ShowMeasurementFile(const MsrOptions& o, CliContext& context) {
  std::ostream& out = *context.out;
  std::ostream& err = *context.err;
  PlotKind plot = PlotKind::kNone;
  if (!PlotKindOf(o.plot, "msr", &plot, err)) return kExitBadArguments;
  SpeedRecord record;
  std::string error;
  if (!LoadMeasurementFile(o.file, &record, &error)) {
    err << "tamarack-cli msr: " << error << "\n";
    return kExitBadArguments;
  }
  if (!record.model.empty()) out << "model: " << record.model << "\n";
  if (record.samples.empty()) {
    err << "tamarack-cli msr: " << o.file << " holds no samples\n";
    return kExitOther;
  }
  out << RecordSummaryText(record) << "\n";
  // A run that stopped early measured part of its range: shown, never taken for a whole one.
  const int shown = record.unfinished.empty() ? kExitGood : kExitIncomplete;
  if (shown != kExitGood) {
    err << "tamarack-cli msr: " << o.file
        << ": the measurement did not finish; its samples cover only the blocks it read\n";
  }
  if (plot == PlotKind::kNone) return shown;
  const Box box = PlotBox(record);
  const SpeedGraph graph = DrawSpeedGraph(record, box);
  if (!WritePlot(o.plot, plot, graph, box, context, &error)) {
    err << "tamarack-cli msr: " << error << "\n";
    return kExitCannotOpen;
  }
  out << "plot: " << o.plot << "\n";
  return shown;
}

}  // namespace

void AddMsrCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("msr", "Show a saved measurement (.msr) and draw its graph");
  auto o = std::make_shared<MsrOptions>();
  cmd->add_option("file", o->file, "The measurement file")->required();
  cmd->add_option("--plot", o->plot, "Draw the speed graph to FILE.svg or FILE.png");
  cmd->callback([&context, o] { context.exit_code = ShowMeasurementFile(*o, context); });
}

void AddMeasureCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand(
      "measure",
      "Measure the read speed from the first track to the last block (x1 = 75 blocks/s)");
  auto o = std::make_shared<MeasureOptions>();
  AddDriveRunOptions(cmd, &o->drives);
  cmd->add_option("--blocks", o->blocks, "Blocks per Read CD command (default 10)");
  cmd->add_option("--start", o->start, "First block instead of the first track's (0x for hex)");
  cmd->add_option("--end", o->end, "Last block instead of the disc's last (0x for hex)");
  cmd->add_option("--save", o->save,
                  "Write the samples to a measurement file (.msr); {drive} stands for the "
                  "drive's name");
  cmd->add_option("--plot", o->plot,
                  "Draw the speed graph to FILE.svg or FILE.png; {drive} stands for the drive's "
                  "name");
  cmd->add_option("--timeout", o->timeout, "Time-out in seconds")->check(CLI::Range(1u, 86400u));
  cmd->callback([&context, o] { context.exit_code = Measure(*o, context); });
}

}  // namespace tamarack::cli
