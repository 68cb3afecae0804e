#include "cli/decoded_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "cli/exit_codes.h"
#include "cli/json_text.h"
#include "form/hex_dump.h"
#include "mmc/cdb_direction.h"
#include "util/strings.h"

namespace tamarack::cli {

namespace {

const char* OutcomeName(CommandStatus status) {
  switch (status) {
    case CommandStatus::kGood:
      return "good";
    case CommandStatus::kRefused:
      return "refused";
    case CommandStatus::kCheckCondition:
      return "check condition";
    case CommandStatus::kNoDevice:
      return "no device";
  }
  return "";
}

// "12 00 ff" without a trailing blank.
std::string HexJoined(std::span<const std::uint8_t> bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    StrAppendFormat(&out, i ? " %02x" : "%02x", bytes[i]);
  return out;
}

std::string Number(std::uint64_t v) {
  return StrFormat("%llu", static_cast<unsigned long long>(v));
}

}  // namespace

namespace {

// The decoder's part, once `c.outcome` is known: what the Command tab decodes of the buffer.
void DecodeBuffer(DecodedCommand& c, std::span<const std::uint8_t> buffer,
                  std::uint32_t transferred, Decoder decoder, int group_size) {
  if (c.outcome.status != CommandStatus::kGood) return;
  c.reply.assign(buffer.begin(), buffer.begin() + transferred);
  if (!decoder) return;
  DecodeInput in;
  in.data = buffer;
  in.received_length = ReceivedLength(transferred, buffer.size());
  in.transferred = transferred;
  in.cdb = c.cdb;
  in.direction = DataDirection::kIn;
  in.group_size = group_size;
  c.output = decoder(in);
  c.decoded = true;
}

}  // namespace

DecodedCommand RunDecodedCommand(DeviceSession& session, const Cdb& cdb, Decoder decoder,
                                 int group_size) {
  DecodedCommand c;
  c.cdb = cdb;
  // The drive is asked for what the CDB allows, so a path without a residual cannot report
  // more than that as received.
  std::vector<std::uint8_t> buffer(DataInLength(cdb).value_or(kCliReceiveLength), kFillByte);
  c.outcome = session.Run(cdb, buffer);
  c.status_text = FailureTextsOf(c.outcome).status_line;
  const std::uint32_t transferred = TransferredCount(c.outcome.result.transferred, buffer.size());
  DecodeBuffer(c, buffer, transferred, decoder, group_size);
  return c;
}

DecodedCommand DecodeCapturedReply(const Cdb& cdb, std::span<const std::uint8_t> reply,
                                   Decoder decoder, int group_size) {
  DecodedCommand c;
  c.cdb = cdb;
  // The buffer the live command would have had, the captured bytes where the drive put them.
  std::vector<std::uint8_t> buffer(DataInLength(cdb).value_or(kCliReceiveLength), kFillByte);
  const std::size_t n = std::min(reply.size(), buffer.size());
  std::copy_n(reply.begin(), n, buffer.begin());
  c.outcome.status = CommandStatus::kGood;
  c.outcome.result.status = TransportStatus::kCompleted;
  c.outcome.result.transferred = static_cast<std::uint32_t>(n);
  DecodeBuffer(c, buffer, static_cast<std::uint32_t>(n), decoder, group_size);
  return c;
}

void PrintRows(std::ostream& out, const std::vector<DecodedRow>& rows,
               const std::vector<ListColumn>& columns) {
  auto line = [&out](const std::vector<std::string>& cells) {
    std::string l;
    for (std::size_t i = 0; i < cells.size(); ++i) l += (i ? " | " : "") + cells[i];
    out << l << "\n";
  };
  if (!columns.empty()) {
    std::vector<std::string> titles;
    for (const ListColumn& c : columns) titles.push_back(c.title);
    line(titles);
  }
  for (const DecodedRow& r : rows) line(r.cells);
}

void PrintDecoded(std::ostream& out, const DecodedCommand& c) {
  if (!c.decoded) {
    out << (c.status_text.empty() ? std::string("Command Error!?") : c.status_text) << "\n";
    return;
  }
  const std::string text = PlainLines(c.output.text);
  if (!text.empty()) out << text << (text.back() == '\n' ? "" : "\n");
  if (!c.output.rows.empty()) PrintRows(out, c.output.rows, c.output.columns);
  if (!c.output.dump.empty()) out << PlainLines(c.output.dump);
}

std::string RowsJson(const std::vector<DecodedRow>& rows, const std::vector<ListColumn>& columns) {
  std::vector<std::string> items;
  items.reserve(rows.size());
  for (const DecodedRow& r : rows) {
    std::vector<std::pair<std::string, std::string>> m;
    for (std::size_t i = 0; i < r.cells.size(); ++i) {
      const std::string title =
          i < columns.size() ? columns[i].title : StrFormat("column%zu", i + 1);
      if (title.empty()) continue;
      m.emplace_back(title, JsonString(r.cells[i]));
    }
    m.emplace_back("icon", StrFormat("%d", r.icon));
    items.push_back(JsonObject(m));
  }
  return JsonArray(items);
}

std::string DecodedJson(const DecodeOutput& output, bool decoded) {
  if (!decoded) return "null";
  std::vector<std::pair<std::string, std::string>> m;
  if (!output.rows.empty() || !output.columns.empty()) {
    std::vector<std::string> titles;
    for (const ListColumn& c : output.columns) titles.push_back(JsonString(c.title));
    m.emplace_back("columns", JsonArray(titles));
    m.emplace_back("rows", RowsJson(output.rows, output.columns));
  }
  if (!output.text.empty()) m.emplace_back("text", JsonString(PlainLines(output.text)));
  if (!output.dump.empty()) m.emplace_back("dump", JsonString(PlainLines(output.dump)));
  return JsonObject(m);
}

std::vector<std::pair<std::string, std::string>> OutcomeJsonMembers(
    const Cdb& cdb, const CommandOutcome& outcome, const std::string& status_text,
    std::span<const std::uint8_t> reply) {
  std::vector<std::pair<std::string, std::string>> m;
  m.emplace_back("cdb", JsonString(HexJoined(cdb)));
  m.emplace_back("outcome", JsonString(OutcomeName(outcome.status)));
  if (outcome.status != CommandStatus::kGood)
    m.emplace_back("status_text", JsonString(status_text));
  if (outcome.status == CommandStatus::kCheckCondition &&
      outcome.sense.format != SenseFormat::kNone) {
    m.emplace_back("sense",
                   JsonObject({{"key", Number(outcome.sense.key)},
                               {"asc", Number(outcome.sense.asc)},
                               {"ascq", Number(outcome.sense.ascq)},
                               {"message", JsonString(outcome.row ? outcome.row->message : "")}}));
  }
  m.emplace_back("transferred", Number(outcome.result.transferred));
  m.emplace_back("duration_us", Number(static_cast<std::uint64_t>(
                                    std::max<std::int64_t>(0, outcome.result.duration.count()))));
  m.emplace_back("reply", JsonString(HexJoined(reply)));
  return m;
}

std::string CommandJson(const DecodedCommand& c) {
  auto m = OutcomeJsonMembers(c.cdb, c.outcome, c.status_text, c.reply);
  m.emplace_back("decoded", DecodedJson(c.output, c.decoded));
  return JsonObject(m);
}

}  // namespace tamarack::cli

namespace tamarack::cli {

void AddDecodingOptions(CLI::App* command, DecodingOptions& options) {
  command->add_option("--drive", options.drive, "Drive id (/dev/sr0, emu:type13, ...)")->required();
  command->add_flag("--json", options.json, "Print the command and its decoded result as JSON");
  command->add_option("--timeout", options.timeout, "Time-out in seconds")
      ->check(CLI::Range(1u, 86400u));
}

int RunDecodingSubcommand(const DecodingOptions& options, CliContext& context, const Cdb& cdb,
                          Decoder decoder) {
  const std::unique_ptr<DeviceSession> session =
      OpenSubcommandDrive(context, options.drive, "", options.timeout);
  if (!session) return kExitCannotOpen;
  const DecodedCommand c = RunDecodedCommand(*session, cdb, decoder);
  if (options.json) {
    *context.out << CommandJson(c) << "\n";
  } else {
    PrintDecoded(*context.out, c);
  }
  return ExitCodeFor(c.outcome);
}

int RunDecodingSubcommand(const DecodingOptions& options, CliContext& context,
                          std::string_view name, const std::optional<Cdb>& cdb,
                          const std::string& error, Decoder decoder) {
  if (!cdb) {
    *context.err << "tamarack-cli " << name << ": " << error << "\n";
    return kExitBadArguments;
  }
  return RunDecodingSubcommand(options, context, *cdb, decoder);
}

}  // namespace tamarack::cli
