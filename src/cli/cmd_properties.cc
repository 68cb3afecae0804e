// tamarack-cli properties --drive ID [--json]: the Properties tab: Inquiry, the feature list
// and the capability bits of Mode Sense page 2Ah.
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/decoded_command.h"
#include "cli/exit_codes.h"
#include "cli/json_text.h"
#include "decode/configuration.h"
#include "views/properties.h"

namespace tamarack::cli {

namespace {

std::string SectionJson(const PropertiesRequest& request, const std::vector<DecodedRow>* rows,
                        std::vector<ListColumn> columns) {
  auto m = OutcomeJsonMembers(request.cdb, request.outcome,
                              FailureTextsOf(request.outcome).status_line, request.reply);
  DecodeOutput out;
  if (rows) {
    out.rows = *rows;
    out.columns = std::move(columns);
  }
  m.emplace_back("decoded", DecodedJson(out, rows != nullptr));
  return JsonObject(m);
}

// The capability list as text: "+" for a capability that is there, "-" for one that is not.
void PrintCapabilities(std::ostream& out, const std::vector<DecodedRow>& rows) {
  for (const DecodedRow& r : rows) {
    const std::string name = r.cells.size() > 1 ? r.cells[1] : "";
    const char* mark = r.icon == kIconPresent ? "+ " : r.icon == kIconAbsent ? "- " : "";
    out << mark << name << "\n";
  }
}

int Properties(const DecodingOptions& o, CliContext& context) {
  const std::unique_ptr<DeviceSession> session =
      OpenSubcommandDrive(context, o.drive, "properties", o.timeout);
  if (!session) return kExitCannotOpen;
  const PropertiesResult r = ReadDriveProperties(*session);
  std::ostream& out = *context.out;
  if (o.json) {
    const std::vector<DecodedRow>* capabilities = r.capability_rows ? &*r.capability_rows : nullptr;
    out << JsonObject(
               {{"inquiry", SectionJson(r.inquiry, &r.inquiry_rows, InquiryListColumns())},
                {"configuration",
                 SectionJson(r.configuration, &r.feature_rows, FeatureListColumns())},
                {"capabilities", SectionJson(r.mode_sense, capabilities, CapabilityListColumns())}})
        << "\n";
    return kExitGood;
  }
  out << "Inquiry\n";
  PrintRows(out, r.inquiry_rows, InquiryListColumns());
  out << "\nFeatures\n";
  PrintRows(out, r.feature_rows, FeatureListColumns());
  out << "\nCapabilities\n";
  if (r.capability_rows) PrintCapabilities(out, *r.capability_rows);
  return kExitGood;
}

}  // namespace

void AddPropertiesCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand(
      "properties", "The Properties tab: Inquiry, features and capabilities of the drive");
  auto o = std::make_shared<DecodingOptions>();
  AddDecodingOptions(cmd, *o);
  cmd->callback([&context, o] { context.exit_code = Properties(*o, context); });
}

}  // namespace tamarack::cli
