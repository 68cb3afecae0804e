// tamarack-cli inquiry --drive ID [--vpd PAGE] [--json]: the Inquiry list of the drive, or one
// of its vital product data pages.
#include <CLI/CLI.hpp>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/reply_commands.h"
#include "decode/inquiry.h"

namespace tamarack::cli {

void AddInquiryCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("inquiry", "Inquiry (12h): the drive's identity, field by field");
  auto o = std::make_shared<DecodingOptions>();
  auto cdb_options = std::make_shared<InquiryCdbOptions>();
  AddDecodingOptions(cmd, *o);
  AddInquiryCdbOptions(cmd, *cdb_options);
  cmd->callback([&context, o, cdb_options] {
    std::string error;
    const std::optional<Cdb> cdb = InquiryCdb(*cdb_options, &error);
    context.exit_code =
        RunDecodingSubcommand(*o, context, "inquiry", cdb, error, &DecodeInquiryReply);
  });
}

}  // namespace tamarack::cli
