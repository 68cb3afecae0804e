// tamarack-cli modeselect --drive ID --page P --set LABEL=VALUE ... [--save] [--dry-run]
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/exit_codes.h"
#include "cli/mode_page_text.h"
#include "decode/mode_select.h"
#include "decode/mode_sense.h"
#include "mmc/mode_sense.h"
#include "util/strings.h"

namespace tamarack::cli {

namespace {

struct ModeSelectOptions {
  std::string drive;
  std::string page;
  std::vector<std::string> sets;
  bool save = false;
  bool dry_run = false;
};

int ModeSelect(const ModeSelectOptions& o, CliContext& context) {
  std::ostream& out = *context.out;
  std::ostream& err = *context.err;
  const auto page = ParsePageCode(o.page);
  ModePageTable select = ModePageTable::ModeSelect();
  const auto select_row = page ? select.Find(*page) : std::nullopt;
  if (!select_row) {
    err << "tamarack-cli modeselect: --page takes a page Mode Select can send: 01, 05, 0d, 0e, "
           "1a, 1c, 1d, 2a or 2c\n";
    return kExitBadArguments;
  }
  for (const std::string& s : o.sets) {
    if (s.find('=') == std::string::npos) {
      err << "tamarack-cli modeselect: --set takes LABEL=VALUE, not \"" << s << "\"\n";
      return kExitBadArguments;
    }
  }
  const std::unique_ptr<DeviceSession> session =
      OpenSubcommandDrive(context, o.drive, "modeselect");
  if (!session) return kExitCannotOpen;
  // The page's current values, copied into the Mode Select table as "Sens->Select Copy" does.
  std::vector<std::uint8_t> reply;
  Cdb sense_cdb{};
  const CommandOutcome sensed = RunModeSense(*session, *page, 0, &reply, &sense_cdb);
  if (sensed.status != CommandStatus::kGood) {
    out << "mode sense: " << FailureTextsOf(sensed).status_line << "\n";
    return ExitCodeFor(sensed);
  }
  ModePageTable sense = ModePageTable::ModeSense();
  const std::vector<std::size_t> found = WalkModeSensePages(reply, sense);
  const auto sense_row = sense.Find(*page);
  if (std::find(found.begin(), found.end(), *sense_row) == found.end()) {
    err << StrFormat("tamarack-cli modeselect: the drive returned no page %02xh\n", *page);
    return kExitOther;
  }
  ModePageRow& row = select.row(*select_row);
  row.buffer = sense.row(*sense_row).buffer;

  for (const std::string& s : o.sets) {
    const std::size_t eq = s.find('=');
    const std::string error = SetModeField(row, s.substr(0, eq), s.substr(eq + 1));
    if (!error.empty()) {
      err << "tamarack-cli modeselect: " << error << "\n";
      return kExitBadArguments;
    }
  }
  row.send = true;
  std::vector<std::uint8_t> list = BuildParameterList(select);
  Cdb cdb = mmc::ModeSelect10Cdb({.save = o.save});
  SetParameterListLength(cdb, list.size());

  out << "cdb: " << HexBytes(cdb) << "\n";
  out << "parameter list:\n" << PlainLines(ParameterListText(list)) << "\n";
  for (const ModeFieldText& f : ModePageFieldTexts(row)) {
    out << "  " << f.name << ": " << f.value << "\n";
  }
  if (o.dry_run) {
    out << "dry run: nothing sent\n";
    return kExitGood;
  }
  const CommandOutcome outcome = session->Run(cdb, list, {.direction = DataDirection::kOut});
  if (outcome.status != CommandStatus::kGood) {
    out << "status: " << FailureTextsOf(outcome).status_line << "\n";
    return ExitCodeFor(outcome);
  }
  out << "status: good" << PlainLines(kModeSelectDoneText) << "\n";
  return kExitGood;
}

}  // namespace

void AddModeSelectCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand(
      "modeselect", "Read a mode page, change the named fields and send it with Mode Select");
  auto o = std::make_shared<ModeSelectOptions>();
  cmd->add_option("--drive", o->drive, "Drive id (/dev/sr0, emu:type13, ...)")->required();
  cmd->add_option("--page", o->page, "Page code in hexadecimal")->required();
  cmd->add_option("--set", o->sets, "LABEL=VALUE: a field of the page and its new value");
  cmd->add_flag("--save", o->save, "Set SP: the drive saves the pages");
  cmd->add_flag("--dry-run", o->dry_run, "Show the parameter list without sending it");
  cmd->callback([&context, o] { context.exit_code = ModeSelect(*o, context); });
}

}  // namespace tamarack::cli
