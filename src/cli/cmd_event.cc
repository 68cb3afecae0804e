// tamarack-cli event --drive ID [--class LIST] [--length N] [--json]: Get Event/Status
// Notification (polled), decoded.
#include <CLI/CLI.hpp>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/exit_codes.h"
#include "decode/status_commands.h"

namespace tamarack::cli {

namespace {

struct EventClassName {
  const char* name;
  std::uint8_t bit;  // of the Notification Class Request field
};

constexpr EventClassName kEventClasses[] = {
    {"operational", 1}, {"power", 2},           {"external", 3},
    {"media", 4},       {"multi-initiator", 5}, {"busy", 6},
};

// "media,power" or "4,2" into the request field; false for an unknown class.
bool ParseClasses(const std::string& text, std::uint8_t* field) {
  *field = 0;
  std::istringstream in(text);
  std::string part;
  while (std::getline(in, part, ',')) {
    bool known = false;
    for (const EventClassName& c : kEventClasses) {
      if (part == c.name || part == std::to_string(c.bit)) {
        *field = static_cast<std::uint8_t>(*field | (1u << c.bit));
        known = true;
      }
    }
    if (!known) return false;
  }
  return *field != 0;
}

struct EventOptions {
  DecodingOptions common;
  std::string classes = "operational,power,external,media,multi-initiator,busy";
  std::uint32_t length = 8;
};

}  // namespace

void AddEventCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand(
      "event", "Get Event/Status Notification (4Ah, polled): the drive's pending event");
  auto o = std::make_shared<EventOptions>();
  AddDecodingOptions(cmd, o->common);
  cmd->add_option("--class", o->classes,
                  "Classes asked for, comma-separated: operational, power, external, media, "
                  "multi-initiator, busy (or 1 to 6); default all");
  cmd->add_option("--length", o->length, "Allocation length (0 shows \"No Data\")")
      ->check(CLI::Range(0u, 65535u));
  cmd->callback([&context, o] {
    std::uint8_t field = 0;
    if (!ParseClasses(o->classes, &field)) {
      *context.err << "tamarack-cli event: --class takes operational, power, external, media, "
                      "multi-initiator, busy or 1 to 6, separated by commas\n";
      context.exit_code = kExitBadArguments;
      return;
    }
    const Cdb cdb =
        MakeCdb({0x4A, 0x01, 0, 0, field, 0, 0, static_cast<std::uint8_t>(o->length >> 8),
                 static_cast<std::uint8_t>(o->length)});
    context.exit_code = RunDecodingSubcommand(o->common, context, cdb, &DecodeEventStatus);
  });
}

}  // namespace tamarack::cli
