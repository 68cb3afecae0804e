// tamarack-cli inquiry --drive ID [--json]: the Inquiry list of the drive.
#include <CLI/CLI.hpp>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "decode/inquiry.h"

namespace tamarack::cli {

void AddInquiryCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("inquiry", "Inquiry (12h): the drive's identity, field by field");
  auto o = std::make_shared<DecodingOptions>();
  AddDecodingOptions(cmd, *o);
  cmd->callback([&context, o] {
    context.exit_code =
        RunDecodingSubcommand(*o, context, MakeCdb({0x12, 0, 0, 0, 0xFF}), &DecodeInquiryReply);
  });
}

}  // namespace tamarack::cli
