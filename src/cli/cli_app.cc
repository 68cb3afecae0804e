#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <initializer_list>
#include <ostream>
#include <span>
#include <stdexcept>

#include "cli/exit_codes.h"
#include "device/platform_drives.h"
#include "device/sense_table.h"
#include "emu/virtual_drive_provider.h"
#include "util/version.h"

namespace tamarack::cli {

namespace {

// The trace file could not be opened: nothing is run.
struct TraceOpenError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Stops the trace this run started, however the run ends (tests reuse the directory).
struct TraceStopper {
  const DriveDirectory* drives = nullptr;
  ~TraceStopper() {
    if (drives) drives->Trace().Stop();
  }
};

// The subcommands and the function that adds each (with its options) to the app. A run builds
// only what it needs (SubcommandsToBuild): building them all costs more at start-up than a
// short run of a script's loop takes.
struct SubcommandAdder {
  std::initializer_list<std::string_view> names;
  void (*add)(CLI::App&, CliContext&);

  bool Adds(std::string_view name) const {
    return std::find(names.begin(), names.end(), name) != names.end();
  }
};

const SubcommandAdder kSubcommands[] = {
    {{"age"}, AddAgeCommand},
    {{"commands"}, AddCommandsCommand},
    {{"decode"}, AddDecodeCommand},
    {{"drives"}, AddDrivesCommand},
    {{"modeselect"}, AddModeSelectCommand},
    {{"modesense"}, AddModeSenseCommand},
    {{"dump"}, AddDumpCommand},
    {{"measure"}, AddMeasureCommand},
    {{"msr"}, AddMsrCommand},
    {{"c2scan"}, AddC2ScanCommand},
    {{"capture"}, AddCaptureCommand},
    {{"check"}, AddCheckCommand},
    {{"send"}, AddSendCommand},
    {{"serve"}, AddServeCommand},
    {{"sense"}, AddSenseCommand},
    {{"capacity"}, AddCapacityCommand},
    {{"event"}, AddEventCommand},
    {{"inquiry"}, AddInquiryCommand},
    {{"mechanism"}, AddMechanismCommand},
    {{"properties"}, AddPropertiesCommand},
    {{"subchannel"}, AddSubChannelCommand},
    {{"config"}, AddConfigCommand},
    {{"toc"}, AddTocCommand},
    {{"tracktest", "subq-check", "lba2msf", "msf2lba", "subq-crc"}, AddToolCommands},
};

// The adders a run of `args` needs: the named subcommand's; none for a run that names none
// and asks for no help (--version, or the missing subcommand's error); all for help and for an
// unknown name, whose error CLI11 words.
std::span<const SubcommandAdder> SubcommandsToBuild(const std::vector<std::string>& args) {
  const std::string_view named = NamedSubcommand(args);
  for (const SubcommandAdder& a : kSubcommands) {
    if (a.Adds(named)) return {&a, 1};
  }
  const bool help = std::any_of(args.begin(), args.end(),
                                [](const std::string& a) { return a == "-h" || a == "--help"; });
  if (named.empty() && !help) return {};
  return kSubcommands;
}

}  // namespace

std::string_view NamedSubcommand(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") return {};
    if (a == "--trace") {
      ++i;  // its value
    } else if (!a.starts_with('-')) {
      return a;
    }
  }
  return {};
}

std::unique_ptr<DriveDirectory> MakeDefaultDriveDirectory(std::ostream* notices) {
  auto drives = std::make_unique<DriveDirectory>();
  if (auto p = MakePlatformDriveProvider()) drives->AddProvider(std::move(p));
  emu::DriveNotice notice;
  if (notices) {
    notice = [notices](const std::string& message) {
      *notices << "tamarack-cli: " << message << "\n";
    };
  }
  drives->AddProvider(std::make_unique<emu::VirtualDriveProvider>(
      RealClock(), emu::ConfiguredVirtualDriveIds(), emu::MakeDiscByName, std::move(notice)));
  return drives;
}

std::unique_ptr<DeviceSession> OpenSubcommandDrive(CliContext& context, const std::string& drive,
                                                   std::string_view subcommand,
                                                   std::uint32_t timeout) {
  auto session = std::make_unique<DeviceSession>(context.drives, BuiltInSenseTable());
  session->SetCommandTimeout(timeout);
  std::unique_lock<std::mutex> lock;
  if (context.open_lock) lock = std::unique_lock(*context.open_lock);
  if (session->Open(drive)) return session;
  *context.err << "tamarack-cli" << (subcommand.empty() ? "" : " ") << subcommand << ": "
               << session->OpenError() << "\n";
  return nullptr;
}

int RunCli(const std::vector<std::string>& args, CliContext& context) {
  CLI::App app{"Tamarack: a test bench for CD and DVD drives", "tamarack-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", VersionText("tamarack-cli"));
  // Options of the program may also follow the subcommand's.
  app.fallthrough();
  std::string trace_path;
  app.add_option("--trace", trace_path,
                 "Record every command sent to a drive in FILE (JSON Lines, one object per "
                 "command)")
      ->type_name("FILE");
  TraceStopper stopper;
  // Runs after parsing and before the subcommand, so its first command is recorded too.
  app.parse_complete_callback([&] {
    if (trace_path.empty()) return;
    if (!context.drives) throw TraceOpenError("--trace needs drives to record");
    std::string error;
    if (!context.drives->Trace().Start(trace_path, CommandTrace::Mode::kTruncate, &error)) {
      throw TraceOpenError(error);
    }
    stopper.drives = context.drives;
  });
  for (const SubcommandAdder& adder : SubcommandsToBuild(args)) adder.add(app, context);
  context.exit_code = kExitGood;
  // CLI11 wants the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    *context.out << app.help();
    return kExitGood;
  } catch (const CLI::CallForAllHelp& e) {
    *context.out << app.help("", CLI::AppFormatMode::All);
    return kExitGood;
  } catch (const CLI::CallForVersion& e) {
    *context.out << e.what() << "\n";
    return kExitGood;
  } catch (const TraceOpenError& e) {
    *context.err << "tamarack-cli: " << e.what() << "\n";
    return kExitBadArguments;
  } catch (const CLI::ParseError& e) {
    *context.err << "tamarack-cli: " << e.what() << "\n";
    *context.err << "Run 'tamarack-cli --help' for the subcommands.\n";
    return kExitBadArguments;
  }
  if (stopper.drives) {
    const std::string error = stopper.drives->Trace().WriteError();
    if (!error.empty()) {
      *context.err << "tamarack-cli: " << error << "\n";
      if (context.exit_code == kExitGood) return kExitOther;
    }
  }
  return context.exit_code;
}

}  // namespace tamarack::cli
