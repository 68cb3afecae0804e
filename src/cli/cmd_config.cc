// tamarack-cli config --drive ID [--rt 0|1|2] [--start FEATURE] [--json]
#include <CLI/CLI.hpp>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/reply_commands.h"
#include "decode/configuration.h"

namespace tamarack::cli {

void AddConfigCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("config", "Get Configuration: the drive's profiles and features");
  auto o = std::make_shared<DecodingOptions>();
  auto cdb_options = std::make_shared<ConfigCdbOptions>();
  AddDecodingOptions(cmd, *o);
  AddConfigCdbOptions(cmd, *cdb_options);
  cmd->callback([&context, o, cdb_options] {
    std::string error;
    const std::optional<Cdb> cdb = ConfigCdb(*cdb_options, &error);
    context.exit_code =
        RunDecodingSubcommand(*o, context, "config", cdb, error, &DecodeConfigurationReply);
  });
}

}  // namespace tamarack::cli
