// tamarack-cli send --drive ID --cdb "..." [--in N | --out-hex "..."] [--timeout S] [--raw]
//                   [--group N]
#include <CLI/CLI.hpp>
#include <ostream>
#include <string_view>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/exit_codes.h"
#include "cli/hex_text.h"
#include "cli/json_text.h"
#include "console/catalogue_decode.h"
#include "console/command_catalogue.h"
#include "device/device_session.h"
#include "form/hex_dump.h"
#include "util/strings.h"

namespace tamarack::cli {

namespace {

struct SendOptions {
  std::string drive;
  std::string cdb;
  std::uint32_t in_length = 0;
  std::string out_hex;
  std::uint32_t timeout = kDefaultCommandTimeout;
  bool raw = false;
  bool json = false;
  int group = 4;  // bytes per group of the dump; 0 or 128: no grouping
};

// Largest reply the CLI accepts: enough for any MMC reply and a big read.
constexpr std::uint32_t kMaxInLength = 16u * 1024u * 1024u;

int Send(const SendOptions& o, CliContext& context) {
  std::ostream& out = *context.out;
  std::ostream& err = *context.err;
  const auto cdb_bytes = ParseTypedHexBytes(o.cdb);
  if (!cdb_bytes || cdb_bytes->empty() || cdb_bytes->size() > kCdbSize) {
    err << "tamarack-cli send: --cdb takes 1 to 12 hex bytes, for example "
           "\"12 00 00 00 ff 00 00 00 00 00 00 00\"\n";
    return kExitBadArguments;
  }
  std::vector<std::uint8_t> data;
  bool data_out = false;
  if (!o.out_hex.empty()) {
    const auto bytes = ParseTypedHexBytes(o.out_hex);
    if (!bytes) {
      err << "tamarack-cli send: --out-hex takes hex bytes, for example \"00 00 00 08\"\n";
      return kExitBadArguments;
    }
    data = *bytes;
    data_out = true;
  } else {
    if (o.in_length > kMaxInLength) {
      err << StrFormat("tamarack-cli send: --in is at most %u bytes\n", kMaxInLength);
      return kExitBadArguments;
    }
    data.assign(o.in_length, 0);
  }
  Cdb cdb{};
  std::copy(cdb_bytes->begin(), cdb_bytes->end(), cdb.begin());
  // A command without a data phase goes out with no data direction, whatever --in asked.
  if (!data_out && MovesNoData(cdb[0])) data.clear();

  const std::unique_ptr<DeviceSession> session =
      OpenSubcommandDrive(context, o.drive, "send", o.timeout);
  if (!session) return kExitCannotOpen;
  const CommandOutcome outcome =
      session->Run(cdb, data, {.direction = data_out ? DataDirection::kOut : DataDirection::kIn});
  const FailureTexts texts = FailureTextsOf(outcome);
  const std::uint32_t moved =
      std::min<std::uint32_t>(outcome.result.transferred, static_cast<std::uint32_t>(data.size()));
  if (o.raw) {
    if (!data_out && outcome.status == CommandStatus::kGood) {
      out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(moved));
    } else if (outcome.status != CommandStatus::kGood) {
      err << texts.status_line << "\n";
    }
    return ExitCodeFor(outcome);
  }
  if (o.json) {
    const auto reply = std::span<const std::uint8_t>(data).first(data_out ? 0 : moved);
    auto members = OutcomeJsonMembers(cdb, outcome, texts.status_line, reply);
    std::optional<DecodeOutput> decoded;
    if (!data_out && outcome.status == CommandStatus::kGood) {
      decoded =
          DecodeWithCatalogue(cdb, data, outcome.result.transferred, o.group == 0 ? 128 : o.group);
    }
    members.emplace_back("decoded",
                         DecodedJson(decoded.value_or(DecodeOutput{}), decoded.has_value()));
    out << JsonObject(members) << "\n";
    return ExitCodeFor(outcome);
  }
  out << "cdb: " << HexBytes(cdb) << "\n";
  if (outcome.status == CommandStatus::kGood) {
    out << "status: good\n";
  } else {
    out << "status: " << texts.status_line << "\n";
    const std::string error = texts.last_error;
    if (error != texts.status_line) out << "error: " << error << "\n";
    if (outcome.status == CommandStatus::kCheckCondition && outcome.sense.length > 0) {
      out << "sense: "
          << HexBytes(
                 std::span<const std::uint8_t>(outcome.result.sense).first(outcome.sense.length))
          << "\n";
    }
  }
  out << StrFormat("transferred: %u\n", outcome.result.transferred);
  out << StrFormat("duration: %lld us\n", static_cast<long long>(outcome.result.duration.count()));
  if (!data_out && outcome.status == CommandStatus::kGood) {
    const int group = o.group == 0 ? 128 : o.group;
    // A catalogue command with a decoder shows its decoded reply first, as the Command tab.
    bool dumped = false;
    if (auto decoded = DecodeWithCatalogue(cdb, data, outcome.result.transferred, group)) {
      const std::string text = PlainLines(decoded->text);
      if (!text.empty()) out << text << (text.back() == '\n' ? "" : "\n");
      for (const DecodedRow& row : decoded->rows) {
        std::string line;
        for (const std::string& cell : row.cells) line += (line.empty() ? "" : "  ") + cell;
        out << line << "\n";
      }
      if (!decoded->dump.empty()) {
        out << DumpColumnHeader(group) << "\n" << PlainLines(decoded->dump);
      }
      dumped = decoded->text_has_dump || !decoded->dump.empty();
    }
    if (!dumped && moved > 0) {
      std::string dump;
      DumpHex(std::span<const std::uint8_t>(data).first(moved), &dump, true, group);
      out << DumpColumnHeader(group) << "\n" << PlainLines(dump);
    }
  }
  return ExitCodeFor(outcome);
}

}  // namespace

void AddSendCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("send", "Send one CDB to a drive and show the reply");
  auto o = std::make_shared<SendOptions>();
  cmd->add_option("--drive", o->drive, "Drive id (/dev/sr0, emu:type13, ...)")->required();
  cmd->add_option("--cdb", o->cdb, "The CDB as hex bytes")->required();
  auto* in = cmd->add_option("--in", o->in_length, "Read N bytes from the drive");
  auto* outopt = cmd->add_option("--out-hex", o->out_hex, "Send these bytes to the drive");
  in->excludes(outopt);
  cmd->add_option("--timeout", o->timeout, "Time-out in seconds")->check(CLI::Range(1u, 86400u));
  auto* raw = cmd->add_flag("--raw", o->raw, "Write the reply bytes alone to standard output");
  cmd->add_flag("--json", o->json, "Print the command, its outcome and decoded reply as JSON")
      ->excludes(raw);
  cmd->add_option("--group", o->group, "Bytes per group in the dump: 0 (none), 1, 2, 4, 8 or 16")
      ->check(CLI::IsMember({0, 1, 2, 4, 8, 16, 128}));
  cmd->callback([&context, o] { context.exit_code = Send(*o, context); });
}

}  // namespace tamarack::cli
