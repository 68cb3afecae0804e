// tamarack-cli mechanism --drive ID [--json]: Mechanism Status, decoded.
#include <CLI/CLI.hpp>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/reply_commands.h"
#include "decode/status_commands.h"

namespace tamarack::cli {

void AddMechanismCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("mechanism", "Mechanism Status (BDh): changer, tray and slots");
  auto o = std::make_shared<DecodingOptions>();
  AddDecodingOptions(cmd, *o);
  cmd->callback([&context, o] {
    context.exit_code = RunDecodingSubcommand(*o, context, MechanismCdb(), &DecodeMechanismStatus);
  });
}

}  // namespace tamarack::cli
