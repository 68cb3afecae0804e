// tamarack-cli drives
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "device/device_session.h"
#include "mmc/drive_selection.h"
#include "mmc/inquiry.h"
#include "util/strings.h"

namespace tamarack::cli {

void AddDrivesCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("drives", "List the optical drives and identify each");
  cmd->callback([&context] {
    std::ostream& out = *context.out;
    const auto ids = context.drives->ListDrives();
    if (ids.empty()) {
      out << "No optical drives found on this machine.\n";
      context.exit_code = kExitGood;
      return;
    }
    for (const std::string& id : ids) {
      DeviceSession session(context.drives, BuiltInSenseTable());
      if (!session.Open(id)) {
        out << id << "  cannot be opened: " << session.OpenError() << "\n";
        continue;
      }
      const CdbReply inquiry = IssueCdb(session, mmc::InquiryCdb());
      if (!inquiry.good()) {
        out << id << "  Inquiry failed: " << FailureTextsOf(inquiry.outcome).last_error << "\n";
        continue;
      }
      const mmc::InquiryNames names = mmc::InquiryNamesOf(inquiry.bytes);
      out << id << "  " << names.vendor << " " << names.product << " (" << names.revision << ")\n";
    }
    context.exit_code = kExitGood;
  });
}

}  // namespace tamarack::cli
