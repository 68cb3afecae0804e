// tamarack-cli capture --drive ID [--drive ID ...] --out FILE [--start LBA] [--end LBA] [--check]
//                      [--max-speed] [--verify-edc] [--retries N] [--yes] [--json]
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/reference_cli.h"
#include "device/device_session.h"
#include "refdata/drive_jobs.h"

namespace tamarack::cli {

void AddCaptureCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand(
      "capture", "Capture a range of a disc into a reference data file (user data, no header)");
  auto o = std::make_shared<ReferenceOptions>();
  auto check = std::make_shared<bool>(false);
  auto max_speed = std::make_shared<bool>(false);
  AddDriveRunOptions(cmd, &o->drives);
  cmd->add_option("--out", o->file,
                  "The reference file to write (*.dat); {drive} stands for the drive's name")
      ->required();
  cmd->add_option("--start", o->start, "First LBA (default: the first track's start)");
  cmd->add_option("--end", o->end, "Last LBA, included (default: the disc's last block)");
  cmd->add_flag("--check", *check, "Check the disc against the file after reading it");
  cmd->add_flag("--max-speed", *max_speed, "Set the drive to its highest speed first");
  cmd->add_flag("--yes", o->yes, "Continue on read errors and differences without asking");
  cmd->add_flag("--verify-edc", o->verify_edc,
                "Read data blocks with their EDC and check it: a block that fails is an error");
  AddRetriesOption(cmd, o.get());
  cmd->callback([&context, o, check, max_speed] {
    ReferenceRequest request;
    if (!ReferenceRangeOptions(*o, "capture", *context.err, &request)) {
      context.exit_code = kExitBadArguments;
      return;
    }
    o->drives.files = {{"--out", o->file}};
    context.exit_code = RunOnDrives(context, o->drives, [&](const DriveSlot& drive, CliContext& c) {
      const std::unique_ptr<DeviceSession> session = OpenSubcommandDrive(c, drive.id, "capture");
      if (!session) return CannotOpenOutcome();
      if (*max_speed) {
        const Cdb cdb = MaxSpeedCdb();
        const bool ok = session->Run(cdb, {}).status == CommandStatus::kGood;
        *(ok ? c.out : c.err) << MaxSpeedText(ok) << "\n";
      }
      ReferenceRequest own = request;
      own.path = drive.File(o->file);
      auto job = std::make_shared<CaptureJob>(own, *check);
      return RunReferenceJob(*session, job, job->result(), *o, c);
    });
  });
}

}  // namespace tamarack::cli
