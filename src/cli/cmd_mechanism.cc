// tamarack-cli mechanism --drive ID [--json]: Mechanism Status, decoded.
#include <CLI/CLI.hpp>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "decode/status_commands.h"

namespace tamarack::cli {

void AddMechanismCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("mechanism", "Mechanism Status (BDh): changer, tray and slots");
  auto o = std::make_shared<DecodingOptions>();
  AddDecodingOptions(cmd, *o);
  cmd->callback([&context, o] {
    // Allocation length 40960 (bytes 8-9), as the Command tab's form sets it.
    const Cdb cdb = MakeCdb({0xBD, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00});
    context.exit_code = RunDecodingSubcommand(*o, context, cdb, &DecodeMechanismStatus);
  });
}

}  // namespace tamarack::cli
