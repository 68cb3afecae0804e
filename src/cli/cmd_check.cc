// tamarack-cli check --drive ID [--drive ID ...] --file FILE [--start LBA] [--end LBA]
// [--verify-edc]
//                    [--retries N] [--yes] [--json]
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/reference_cli.h"
#include "device/device_session.h"

namespace tamarack::cli {

void AddCheckCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("check", "Check a disc against a reference data file");
  auto o = std::make_shared<ReferenceOptions>();
  AddDriveRunOptions(cmd, &o->drives);
  cmd->add_option("--file", o->file,
                  "The reference file (*.dat); {drive} stands for the drive's name")
      ->required();
  cmd->add_option("--start", o->start,
                  "The LBA of the file's first block (default: the first track's start)");
  cmd->add_option("--end", o->end, "Last LBA to check (default: the disc's or the file's end)");
  cmd->add_flag("--yes", o->yes, "Continue on read errors and differences without asking");
  cmd->add_flag("--verify-edc", o->verify_edc,
                "Read data blocks with their EDC and check it: a block that fails is an error");
  AddRetriesOption(cmd, o.get());
  cmd->callback([&context, o] {
    ReferenceRequest request;
    if (!ReferenceRangeOptions(*o, "check", *context.err, &request)) {
      context.exit_code = kExitBadArguments;
      return;
    }
    // The file is read, not written: several drives may check against one.
    context.exit_code = RunOnDrives(context, o->drives, [&](const DriveSlot& drive, CliContext& c) {
      const std::unique_ptr<DeviceSession> session = OpenSubcommandDrive(c, drive.id, "check");
      if (!session) return CannotOpenOutcome();
      ReferenceRequest own = request;
      own.path = drive.File(o->file);
      auto job = std::make_shared<CheckJob>(own);
      return RunReferenceJob(*session, job, job->result(), *o, c);
    });
  });
}

}  // namespace tamarack::cli
