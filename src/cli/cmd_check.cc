// tamarack-cli check --drive ID --file FILE [--start LBA] [--end LBA] [--yes]
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
  cmd->add_option("--drive", o->drive, "Drive id (/dev/sr0, emu:type13, ...)")->required();
  cmd->add_option("--file", o->file, "The reference file (*.dat)")->required();
  cmd->add_option("--start", o->start,
                  "The LBA of the file's first block (default: the first track's start)");
  cmd->add_option("--end", o->end, "Last LBA to check (default: the disc's or the file's end)");
  cmd->add_flag("--yes", o->yes, "Continue on read errors and differences without asking");
  cmd->callback([&context, o] {
    std::ostream& err = *context.err;
    ReferenceRequest request;
    if (!ReferenceRangeOptions(*o, "check", err, &request)) {
      context.exit_code = kExitBadArguments;
      return;
    }
    request.path = o->file;
    const std::unique_ptr<DeviceSession> session = OpenSubcommandDrive(context, o->drive, "check");
    if (!session) {
      context.exit_code = kExitCannotOpen;
      return;
    }
    auto job = std::make_shared<CheckJob>(request);
    context.exit_code = RunReferenceJob(*session, job, job->result(), *o, context);
  });
}

}  // namespace tamarack::cli
