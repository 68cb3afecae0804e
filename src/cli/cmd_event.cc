// tamarack-cli event --drive ID [--class LIST] [--length N] [--json]: Get Event/Status
// Notification (polled), decoded.
#include <CLI/CLI.hpp>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/reply_commands.h"
#include "decode/status_commands.h"

namespace tamarack::cli {

void AddEventCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand(
      "event", "Get Event/Status Notification (4Ah, polled): the drive's pending event");
  auto o = std::make_shared<DecodingOptions>();
  auto cdb_options = std::make_shared<EventCdbOptions>();
  AddDecodingOptions(cmd, *o);
  AddEventCdbOptions(cmd, *cdb_options);
  cmd->callback([&context, o, cdb_options] {
    std::string error;
    const std::optional<Cdb> cdb = EventCdb(*cdb_options, &error);
    context.exit_code = RunDecodingSubcommand(*o, context, "event", cdb, error, &DecodeEventStatus);
  });
}

}  // namespace tamarack::cli
