// tamarack-cli config --drive ID [--rt 0|1|2] [--start FEATURE] [--json]
#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/exit_codes.h"
#include "decode/configuration.h"
#include "util/strings.h"

namespace tamarack::cli {

namespace {

struct ConfigOptions {
  DecodingOptions common;
  int rt = 0;
  std::string start = "0";
};

// A feature code in hexadecimal: "1e", "001E", "0x1e" or "001eh"; at most FFFFh.
std::optional<std::uint16_t> ParseFeatureCode(std::string_view text) {
  const auto value = ParseHexCode(text, 16, 0xFFFF);
  if (!value) return std::nullopt;
  return static_cast<std::uint16_t>(*value);
}

int Config(const ConfigOptions& o, CliContext& context) {
  const auto start = ParseFeatureCode(o.start);
  if (!start) {
    *context.err << "tamarack-cli config: --start takes a feature code in hexadecimal, 0 to "
                    "ffff (for example 001e)\n";
    return kExitBadArguments;
  }
  const Cdb cdb =
      MakeCdb({0x46, static_cast<std::uint8_t>(o.rt), static_cast<std::uint8_t>(*start >> 8),
               static_cast<std::uint8_t>(*start & 0xFF), 0, 0, 0, 0xA0, 0x00});
  return RunDecodingSubcommand(o.common, context, cdb, &DecodeConfigurationReply);
}

}  // namespace

void AddConfigCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("config", "Get Configuration: the drive's profiles and features");
  auto o = std::make_shared<ConfigOptions>();
  AddDecodingOptions(cmd, o->common);
  cmd->add_option("--rt", o->rt, "Requested type: 0 all, 1 current only, 2 the starting feature")
      ->check(CLI::Range(0, 2));
  cmd->add_option("--start", o->start, "Starting feature number in hexadecimal (default 0)");
  cmd->callback([&context, o] { context.exit_code = Config(*o, context); });
}

}  // namespace tamarack::cli
