// tamarack-cli toc --drive ID [--format 0..5] [--msf] [--track N] [--full] [--json]
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/exit_codes.h"
#include "cli/json_text.h"
#include "cli/reply_commands.h"
#include "decode/read_toc.h"
#include "util/strings.h"
#include "views/toc_view.h"

namespace tamarack::cli {

namespace {

struct TocOptions {
  DecodingOptions common;
  TocCdbOptions cdb;
  bool full = false;
};

// The Toc tab: the track view, or with format 2 the full TOC view with each row explained.
int TocTab(const TocOptions& o, CliContext& context) {
  const std::unique_ptr<DeviceSession> session =
      OpenSubcommandDrive(context, o.common.drive, "", o.common.timeout);
  if (!session) return kExitCannotOpen;
  const bool full_toc = o.cdb.format == 2;
  CommandOutcome failure;
  const auto read = ReadTocView(*session, full_toc, &failure);
  if (!read) {
    // Nothing is shown, as on the tab; the status line says why.
    if (failure.status == CommandStatus::kGood) {
      *context.err << "tamarack-cli toc: the drive reports a TOC data length of 0\n";
      return kExitOther;
    }
    *context.err << "tamarack-cli toc: " << FailureTextsOf(failure).status_line << "\n";
    return ExitCodeFor(failure);
  }
  const TocView& view = read->view;
  std::vector<std::string> notes;
  if (full_toc) {
    for (const DecodedRow& row : view.rows)
      notes.push_back(PlainLines(ExplainFullTocRow(row.cells)));
  }
  std::ostream& out = *context.out;
  if (o.common.json) {
    std::vector<std::string> titles;
    for (const ListColumn& c : view.columns) titles.push_back(JsonString(c.title));
    std::vector<std::pair<std::string, std::string>> members = {
        {"drive", JsonString(session->DriveId())},
        {"view", JsonString(full_toc ? "full" : "track")},
        {"text", JsonString(PlainLines(view.text))},
        {"columns", JsonArray(titles)},
        {"rows", RowsJson(view.rows, view.columns)}};
    if (full_toc) {
      std::vector<std::string> items;
      for (const std::string& n : notes) items.push_back(JsonString(n));
      members.emplace_back("explanations", JsonArray(items));
    }
    out << JsonObject(members) << "\n";
    return kExitGood;
  }
  out << PlainLines(view.text) << "\n";
  PrintRows(out, view.rows, view.columns);
  if (full_toc) {
    out << "\n";
    for (std::size_t i = 0; i < notes.size(); ++i) {
      if (notes[i].empty()) continue;
      std::string note = notes[i];
      if (note.back() == '\n') note.pop_back();
      std::string indented;
      for (char c : note) indented += c == '\n' ? std::string("\n    ") : std::string(1, c);
      out << StrFormat("[%zu] ", i + 1) << indented << "\n";
    }
  }
  return kExitGood;
}

int Toc(const TocOptions& o, CliContext& context) {
  if (o.full && o.cdb.format != 0 && o.cdb.format != 2) {
    *context.err << "tamarack-cli toc: --full shows the track view (format 0) or the full TOC "
                    "view (--format 2)\n";
    return kExitBadArguments;
  }
  if (o.full && (o.cdb.msf || o.cdb.track != 0)) {
    *context.err << "tamarack-cli toc: --full reads the TOC as LBA and as MSF itself; --msf and "
                    "--track do not apply\n";
    return kExitBadArguments;
  }
  if (o.full) return TocTab(o, context);
  return RunDecodingSubcommand(o.common, context, TocCdb(o.cdb), &DecodeReadTocReply);
}

}  // namespace

void AddTocCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand(
      "toc", "Read TOC, decoded (formats 0 to 5), or with --full the Toc tab's view");
  auto o = std::make_shared<TocOptions>();
  AddDecodingOptions(cmd, o->common);
  AddTocCdbOptions(cmd, o->cdb);
  cmd->add_flag("--full", o->full,
                "The Toc tab's view: tracks with LBA and MSF, or with --format 2 the full TOC "
                "with each row explained");
  cmd->callback([&context, o] { context.exit_code = Toc(*o, context); });
}

}  // namespace tamarack::cli
