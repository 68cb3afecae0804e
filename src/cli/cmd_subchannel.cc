// tamarack-cli subchannel --drive ID [--format 1|2|3] [--track N] [--msf] [--json]: Read
// Sub-Channel (Q data), decoded.
#include <CLI/CLI.hpp>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "decode/status_commands.h"

namespace tamarack::cli {

namespace {

struct SubChannelOptions {
  DecodingOptions common;
  unsigned format = 1;
  unsigned track = 0;
  bool msf = false;
};

}  // namespace

void AddSubChannelCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand(
      "subchannel",
      "Read Sub-Channel (42h): current position (1), media catalog number (2), ISRC (3)");
  auto o = std::make_shared<SubChannelOptions>();
  AddDecodingOptions(cmd, o->common);
  cmd->add_option("--format", o->format, "Sub-channel data format: 1, 2 or 3")
      ->check(CLI::IsMember({1u, 2u, 3u}));
  cmd->add_option("--track", o->track, "Track number (format 3)")->check(CLI::Range(0u, 255u));
  cmd->add_flag("--msf", o->msf, "Addresses in MSF form (the TIME bit)");
  cmd->callback([&context, o] {
    // SUBQ set, allocation length 40960 (bytes 7-8) as the Command tab's form sets it.
    const Cdb cdb = MakeCdb({0x42, static_cast<std::uint8_t>(o->msf ? 0x02 : 0x00), 0x40,
                             static_cast<std::uint8_t>(o->format), 0, 0,
                             static_cast<std::uint8_t>(o->track), 0xA0, 0x00});
    context.exit_code = RunDecodingSubcommand(o->common, context, cdb, &DecodeSubChannel);
  });
}

}  // namespace tamarack::cli
