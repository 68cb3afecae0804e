// tamarack-cli modesense --drive ID --page P [--pc current|changeable|default|saved] [--json]
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/json_text.h"
#include "cli/mode_page_text.h"
#include "decode/mode_sense.h"
#include "util/strings.h"

namespace tamarack::cli {

namespace {

struct ModeSenseOptions {
  std::string drive;
  std::string page;
  std::string pc = "current";
  bool json = false;
};

int ModeSense(const ModeSenseOptions& o, CliContext& context) {
  std::ostream& out = *context.out;
  std::ostream& err = *context.err;
  const auto page = ParsePageCode(o.page);
  if (!page) {
    err << "tamarack-cli modesense: --page takes a page code in hexadecimal, 00 to 3f\n";
    return kExitBadArguments;
  }
  const auto pc = ParsePageControl(o.pc);
  if (!pc) {
    err << "tamarack-cli modesense: --pc takes current, changeable, default or saved\n";
    return kExitBadArguments;
  }
  const std::unique_ptr<DeviceSession> session = OpenSubcommandDrive(context, o.drive, "modesense");
  if (!session) return kExitCannotOpen;
  std::vector<std::uint8_t> reply;
  Cdb cdb{};
  const CommandOutcome outcome = RunModeSense(*session, *page, *pc, &reply, &cdb);
  if (outcome.status != CommandStatus::kGood) {
    if (o.json) {
      out << "{\"status\":" << JsonString(FailureTextsOf(outcome).status_line) << "}\n";
    } else {
      out << FailureTextsOf(outcome).status_line << "\n";
    }
    return ExitCodeFor(outcome);
  }
  PrintModeSenseReply(reply, o.pc, o.json, out);
  return kExitGood;
}

}  // namespace

void PrintModeSenseReply(std::span<const std::uint8_t> reply, const std::string& pc_name, bool json,
                         std::ostream& out) {
  ModePageTable table = ModePageTable::ModeSense();
  const std::vector<std::size_t> rows = WalkModeSensePages(reply, table);
  const std::uint32_t medium = reply.size() > 2 ? reply[2] : 0;
  if (json) {
    std::string pages;
    for (std::size_t row : rows) {
      const ModePageRow& r = table.row(row);
      std::string fields;
      for (const ModeFieldText& f : ModePageFieldTexts(r)) {
        if (!fields.empty()) fields += ",";
        fields += "{\"label\":" + JsonString(f.name) + ",\"value\":" + JsonString(f.value) + "}";
      }
      const std::size_t n = std::min<std::size_t>(r.buffer[1] + 2u, kModePageBufferBytes);
      if (!pages.empty()) pages += ",";
      pages += "{\"code\":" + JsonString(StrFormat("%02xh", r.page_code)) +
               ",\"name\":" + JsonString(r.name) + ",\"bytes\":" +
               JsonString(HexBytes(std::span<const std::uint8_t>(r.buffer).first(n), "")) +
               ",\"fields\":[" + fields + "]}";
    }
    out << "{\"page_control\":" << JsonString(pc_name) << ",\"medium_type\":" << medium
        << ",\"medium_type_text\":" << JsonString(DescribeMediumType(medium))
        << ",\"mode_data_length\":" << (reply.size() >= 2 ? (reply[0] << 8 | reply[1]) : 0)
        << ",\"pages\":[" << pages << "]}\n";
    return;
  }
  out << kMediumTypeTitle << DescribeMediumType(medium) << "\n";
  if (rows.empty()) out << "(no page the editor knows)\n";
  for (std::size_t row : rows) {
    const ModePageRow& r = table.row(row);
    out << "\n" << PageListText(r) << "\n";
    for (const ModeFieldText& f : ModePageFieldTexts(r)) {
      out << "  " << f.name << ": " << f.value << "\n";
    }
  }
}

void AddModeSenseCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("modesense", "Read mode pages and show each field");
  auto o = std::make_shared<ModeSenseOptions>();
  cmd->add_option("--drive", o->drive, "Drive id (/dev/sr0, emu:type13, ...)")->required();
  cmd->add_option("--page", o->page, "Page code in hexadecimal (3f: every page)")->required();
  cmd->add_option("--pc", o->pc, "Page control: current, changeable, default or saved");
  cmd->add_flag("--json", o->json, "Write the pages as JSON");
  cmd->callback([&context, o] { context.exit_code = ModeSense(*o, context); });
}

}  // namespace tamarack::cli
