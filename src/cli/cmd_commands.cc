// tamarack-cli commands [--order code|name|user]: the command catalogue as the list shows it.
#include <CLI/CLI.hpp>
#include <map>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "console/command_catalogue.h"

namespace tamarack::cli {

void AddCommandsCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("commands", "List the command catalogue as the Command tab does");
  auto order = std::make_shared<ListKind>(ListKind::kCode);
  const std::map<std::string, ListKind> kOrders = {
      {"code", ListKind::kCode}, {"name", ListKind::kName}, {"user", ListKind::kUser}};
  cmd->add_option("--order", *order, "List order: code, name or user")
      ->transform(CLI::CheckedTransformer(kOrders, CLI::ignore_case));
  cmd->callback([&context, order] {
    const CatalogueState state;
    for (const ListEntry& e : CommandList(*order, state)) *context.out << e.text << "\n";
    context.exit_code = kExitGood;
  });
}

}  // namespace tamarack::cli
