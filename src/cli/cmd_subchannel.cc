// tamarack-cli subchannel --drive ID [--format 1|2|3] [--track N] [--msf] [--json]: Read
// Sub-Channel (Q data), decoded.
#include <CLI/CLI.hpp>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/reply_commands.h"
#include "decode/status_commands.h"

namespace tamarack::cli {

void AddSubChannelCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand(
      "subchannel",
      "Read Sub-Channel (42h): current position (1), media catalog number (2), ISRC (3)");
  auto o = std::make_shared<DecodingOptions>();
  auto cdb_options = std::make_shared<SubChannelCdbOptions>();
  AddDecodingOptions(cmd, *o);
  AddSubChannelCdbOptions(cmd, *cdb_options);
  cmd->callback([&context, o, cdb_options] {
    context.exit_code =
        RunDecodingSubcommand(*o, context, SubChannelCdb(*cdb_options), &DecodeSubChannel);
  });
}

}  // namespace tamarack::cli
