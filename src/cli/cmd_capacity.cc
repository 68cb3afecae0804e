// tamarack-cli capacity --drive ID [--json]: Read CD-ROM Capacity, decoded.
#include <CLI/CLI.hpp>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/reply_commands.h"
#include "decode/status_commands.h"

namespace tamarack::cli {

void AddCapacityCommand(CLI::App& app, CliContext& context) {
  auto* cmd =
      app.add_subcommand("capacity", "Read CD-ROM Capacity (25h): last block and block length");
  auto o = std::make_shared<DecodingOptions>();
  AddDecodingOptions(cmd, *o);
  cmd->callback([&context, o] {
    context.exit_code = RunDecodingSubcommand(*o, context, CapacityCdb(), &DecodeCapacity);
  });
}

}  // namespace tamarack::cli
