#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "cli/exit_codes.h"
#include "device/platform_drives.h"
#include "emu/virtual_drive_provider.h"

namespace tamarack::cli {

std::unique_ptr<DriveDirectory> MakeDefaultDriveDirectory() {
  auto drives = std::make_unique<DriveDirectory>();
  if (auto p = MakePlatformDriveProvider()) drives->AddProvider(std::move(p));
  drives->AddProvider(
      std::make_unique<emu::VirtualDriveProvider>(RealClock(), emu::ConfiguredVirtualDriveIds()));
  return drives;
}

int RunCli(const std::vector<std::string>& args, CliContext& context) {
  CLI::App app{"Tamarack: a test bench for CD and DVD drives", "tamarack-cli"};
  app.require_subcommand(1);
  AddAgeCommand(app, context);
  AddCommandsCommand(app, context);
  AddDrivesCommand(app, context);
  AddModeSelectCommand(app, context);
  AddModeSenseCommand(app, context);
  AddDumpCommand(app, context);
  AddMeasureCommand(app, context);
  AddCaptureCommand(app, context);
  AddCheckCommand(app, context);
  AddSendCommand(app, context);
  AddSenseCommand(app, context);
  AddCapacityCommand(app, context);
  AddEventCommand(app, context);
  AddInquiryCommand(app, context);
  AddMechanismCommand(app, context);
  AddPropertiesCommand(app, context);
  AddSubChannelCommand(app, context);
  AddConfigCommand(app, context);
  AddTocCommand(app, context);
  AddToolCommands(app, context);
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
  } catch (const CLI::ParseError& e) {
    *context.err << "tamarack-cli: " << e.what() << "\n";
    *context.err << "Run 'tamarack-cli --help' for the subcommands.\n";
    return kExitBadArguments;
  }
  return context.exit_code;
}

}  // namespace tamarack::cli
