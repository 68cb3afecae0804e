// tamarack-cli: the core from a terminal, one subcommand per job.
#pragma once

#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "device/clock.h"
#include "device/device_session.h"
#include "device/drive_directory.h"

namespace CLI {
class App;
}

namespace tamarack::cli {

class DriveLane;

// What a subcommand works with. Tests give their own drive directory.
struct CliContext {
  const DriveDirectory* drives = nullptr;
  std::ostream* out = nullptr;
  std::ostream* err = nullptr;
  // The clock long jobs time themselves with (the drives' own); null: the machine's.
  Clock* clock = nullptr;
  // Where questions are answered; null: no one to ask (questions stop the job unless --yes).
  std::istream* in = nullptr;
  // Standard input and error are a terminal: progress is drawn in place and questions prompt.
  bool terminal = false;
  // Where the PNG plugin is looked for, in order (PngPluginPlaces); none: PNG plots fail with
  // a message saying so.
  std::vector<std::string> png_plugin_places;
  int exit_code = 0;
  // Set for one drive of a run of several (multi_drive_run.h): its jobs report their progress
  // to the lane and stop when it asks, and opening a drive takes `open_lock` (the directory
  // opens one drive at a time).
  DriveLane* lane = nullptr;
  std::mutex* open_lock = nullptr;
};

// The subcommand the command line `args` names: its first word that is neither an option nor
// the program's --trace FILE; empty when there is none.
std::string_view NamedSubcommand(const std::vector<std::string>& args);

// Runs the command line `args` (without the program name); returns the exit status.
int RunCli(const std::vector<std::string>& args, CliContext& context);

// The session of a subcommand on `drive` with its command time-out in seconds. When the drive
// cannot be opened, says why on `context.err` ("tamarack-cli SUBCOMMAND: REASON",
// "tamarack-cli: REASON" when `subcommand` is empty) and returns null: the subcommand then ends
// with kExitCannotOpen. Every subcommand that talks to a drive opens it here.
std::unique_ptr<DeviceSession> OpenSubcommandDrive(CliContext& context, const std::string& drive,
                                                   std::string_view subcommand,
                                                   std::uint32_t timeout = kDefaultCommandTimeout);

// The drive directory of a normal run: the platform's drives, then the virtual ones. A command
// a replayed trace cannot answer is named on `notices` ("tamarack-cli: ...") when given.
std::unique_ptr<DriveDirectory> MakeDefaultDriveDirectory(std::ostream* notices = nullptr);

// Each subcommand adds itself to the app; its callback sets context.exit_code.
void AddAgeCommand(CLI::App& app, CliContext& context);
void AddCommandsCommand(CLI::App& app, CliContext& context);
void AddDecodeCommand(CLI::App& app, CliContext& context);
void AddDrivesCommand(CLI::App& app, CliContext& context);
void AddModeSelectCommand(CLI::App& app, CliContext& context);
void AddModeSenseCommand(CLI::App& app, CliContext& context);
void AddDumpCommand(CLI::App& app, CliContext& context);
// decode read-cd, beside dump whose output it repeats.
void AddReadCdDecoder(CLI::App* decode, CliContext& context);
void AddMeasureCommand(CLI::App& app, CliContext& context);
void AddC2ScanCommand(CLI::App& app, CliContext& context);
void AddMsrCommand(CLI::App& app, CliContext& context);
void AddCaptureCommand(CLI::App& app, CliContext& context);
void AddCheckCommand(CLI::App& app, CliContext& context);
void AddSendCommand(CLI::App& app, CliContext& context);
// Serving drives to the kernel (Linux).
void AddServeCommand(CLI::App& app, CliContext& context);
void AddSenseCommand(CLI::App& app, CliContext& context);
// Decoding subcommands.
void AddCapacityCommand(CLI::App& app, CliContext& context);
void AddEventCommand(CLI::App& app, CliContext& context);
void AddInquiryCommand(CLI::App& app, CliContext& context);
void AddMechanismCommand(CLI::App& app, CliContext& context);
void AddPropertiesCommand(CLI::App& app, CliContext& context);
void AddSubChannelCommand(CLI::App& app, CliContext& context);
void AddConfigCommand(CLI::App& app, CliContext& context);
void AddTocCommand(CLI::App& app, CliContext& context);
// The track tests, the Sub-Q check and the conversions (tracktest, subq-check, lba2msf,
// msf2lba, subq-crc).
void AddToolCommands(CLI::App& app, CliContext& context);

}  // namespace tamarack::cli
