// tamarack-cli decode COMMAND --inhex FILE [--raw] [the command's options]: a captured reply
// decoded as the live subcommand decodes the drive's.
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/exit_codes.h"
#include "cli/hex_text.h"
#include "cli/mode_page_text.h"
#include "cli/reply_commands.h"
#include "decode/configuration.h"
#include "decode/inquiry.h"
#include "decode/read_toc.h"
#include "decode/status_commands.h"

namespace tamarack::cli {

namespace {

struct CapturedReply {
  std::string file;
  bool raw = false;
  bool json = false;
};

// --inhex FILE, --raw and, where the live command has it, --json.
void AddCapturedOptions(CLI::App* command, CapturedReply& o, bool json) {
  command->add_option("--inhex", o.file, "The captured reply: hex text ('#' comments) or bytes")
      ->required();
  command->add_flag("--raw", o.raw, "FILE holds the reply's bytes themselves, not hex text");
  if (json) command->add_flag("--json", o.json, "Print the decoded result as JSON");
}

std::optional<std::vector<std::uint8_t>> ReadCaptured(const CapturedReply& o, CliContext& context,
                                                      std::string_view name) {
  std::string error;
  auto bytes = ReadReplyFile(o.file, o.raw, &error);
  if (!bytes) *context.err << "tamarack-cli decode " << name << ": " << error << "\n";
  return bytes;
}

// Decodes the file's reply with `decoder` as if `cdb` had brought it and prints it as the
// live subcommand prints its result.
int DecodeFile(const CapturedReply& o, CliContext& context, std::string_view name,
               const std::optional<Cdb>& cdb, const std::string& cdb_error, Decoder decoder) {
  if (!cdb) {
    *context.err << "tamarack-cli decode " << name << ": " << cdb_error << "\n";
    return kExitBadArguments;
  }
  const auto bytes = ReadCaptured(o, context, name);
  if (!bytes) return kExitBadArguments;
  const DecodedCommand c = DecodeCapturedReply(*cdb, *bytes, decoder);
  if (o.json) {
    *context.out << CommandJson(c) << "\n";
  } else {
    PrintDecoded(*context.out, c);
  }
  return kExitGood;
}

// One decoding subcommand of `decode`: its options bound to `o`, its CDB built at run time.
template <typename Options, typename MakeCdb>
void AddReplyDecoder(CLI::App* decode, CliContext& context, const char* name, const char* help,
                     void (*add_options)(CLI::App*, Options&), MakeCdb make_cdb, Decoder decoder) {
  auto* cmd = decode->add_subcommand(name, help);
  auto captured = std::make_shared<CapturedReply>();
  auto options = std::make_shared<Options>();
  AddCapturedOptions(cmd, *captured, true);
  if (add_options) add_options(cmd, *options);
  cmd->callback([&context, captured, options, name, make_cdb, decoder] {
    std::string error;
    const std::optional<Cdb> cdb = make_cdb(*options, &error);
    context.exit_code = DecodeFile(*captured, context, name, cdb, error, decoder);
  });
}

struct NoCdbOptions {};

struct ModeSenseDecodeOptions {
  std::string pc = "current";
};

}  // namespace

void AddDecodeCommand(CLI::App& app, CliContext& context) {
  auto* decode = app.add_subcommand(
      "decode", "Decode a captured reply (--inhex FILE) as the live subcommand decodes it");
  decode->require_subcommand(1);
  AddReplyDecoder<InquiryCdbOptions>(
      decode, context, "inquiry", "Inquiry data, or with --vpd a vital product data page",
      &AddInquiryCdbOptions,
      [](const InquiryCdbOptions& o, std::string* e) { return InquiryCdb(o, e); },
      &DecodeInquiryReply);
  AddReplyDecoder<TocCdbOptions>(
      decode, context, "toc", "Read TOC data of --format 0 to 5", &AddTocCdbOptions,
      [](const TocCdbOptions& o, std::string*) { return std::optional<Cdb>(TocCdb(o)); },
      &DecodeReadTocReply);
  AddReplyDecoder<ConfigCdbOptions>(
      decode, context, "config", "Get Configuration data", &AddConfigCdbOptions,
      [](const ConfigCdbOptions& o, std::string* e) { return ConfigCdb(o, e); },
      &DecodeConfigurationReply);
  AddReplyDecoder<EventCdbOptions>(
      decode, context, "event", "Get Event/Status Notification data", &AddEventCdbOptions,
      [](const EventCdbOptions& o, std::string* e) { return EventCdb(o, e); }, &DecodeEventStatus);
  AddReplyDecoder<NoCdbOptions>(
      decode, context, "mechanism", "Mechanism Status data", nullptr,
      [](const NoCdbOptions&, std::string*) { return std::optional<Cdb>(MechanismCdb()); },
      &DecodeMechanismStatus);
  AddReplyDecoder<SubChannelCdbOptions>(
      decode, context, "subchannel", "Read Sub-Channel data", &AddSubChannelCdbOptions,
      [](const SubChannelCdbOptions& o, std::string*) {
        return std::optional<Cdb>(SubChannelCdb(o));
      },
      &DecodeSubChannel);
  AddReplyDecoder<NoCdbOptions>(
      decode, context, "capacity", "Read CD-ROM Capacity data", nullptr,
      [](const NoCdbOptions&, std::string*) { return std::optional<Cdb>(CapacityCdb()); },
      &DecodeCapacity);
  AddReadCdDecoder(decode, context);

  {
    auto* cmd = decode->add_subcommand("modesense", "Mode Sense(10) data: every page it holds");
    auto captured = std::make_shared<CapturedReply>();
    auto o = std::make_shared<ModeSenseDecodeOptions>();
    AddCapturedOptions(cmd, *captured, true);
    cmd->add_option("--pc", o->pc, "Page control the reply was read with (for the JSON)");
    cmd->callback([&context, captured, o] {
      if (!ParsePageControl(o->pc)) {
        *context.err << "tamarack-cli decode modesense: --pc takes current, changeable, default "
                        "or saved\n";
        context.exit_code = kExitBadArguments;
        return;
      }
      const auto bytes = ReadCaptured(*captured, context, "modesense");
      if (!bytes) {
        context.exit_code = kExitBadArguments;
        return;
      }
      PrintModeSenseReply(CapturedModeSenseBytes(*bytes), o->pc, captured->json, *context.out);
      context.exit_code = kExitGood;
    });
  }
  {
    auto* cmd = decode->add_subcommand("sense", "Sense data, fixed or descriptor format");
    auto captured = std::make_shared<CapturedReply>();
    AddCapturedOptions(cmd, *captured, false);
    cmd->callback([&context, captured] {
      const auto bytes = ReadCaptured(*captured, context, "sense");
      context.exit_code = bytes ? DecodeSenseBytes(*context.out, *context.err, *bytes)
                                : static_cast<int>(kExitBadArguments);
    });
  }
}

}  // namespace tamarack::cli
