// tamarack-cli sense KEY ASC ASCQ | --list
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "device/sense.h"
#include "util/strings.h"

namespace tamarack::cli {

namespace {

const char* PassName(int pass) {
  switch (pass) {
    case 1:
      return "sense key, ASC and ASCQ";
    case 2:
      return "sense key and ASC";
    case 3:
      return "ASC and ASCQ";
    case 4:
      return "ASC";
    default:
      return "";
  }
}

bool ParseHexValue(const std::string& text, std::uint32_t* value) {
  const auto v = ParseDigits(text, 16, 0xFFFFFFFFu);
  if (!v) return false;
  *value = static_cast<std::uint32_t>(*v);
  return true;
}

}  // namespace

void AddSenseCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("sense", "Look up a sense key, ASC and ASCQ in the error table");
  auto values = std::make_shared<std::vector<std::string>>();
  auto list = std::make_shared<bool>(false);
  cmd->add_option("codes", *values, "KEY ASC ASCQ in hexadecimal")->expected(0, 3);
  cmd->add_flag("--list", *list, "Print the sense-code list (keys 0 to 9)");
  cmd->callback([&context, values, list] {
    std::ostream& out = *context.out;
    const auto table = BuiltInSenseTable();
    if (*list) {
      for (const SenseCodeListRow& r : SenseCodeList(table)) {
        out << r.key << "  " << r.asc << "  " << r.ascq << "  " << r.message << "\n";
      }
      context.exit_code = kExitGood;
      return;
    }
    std::uint32_t v[3];
    if (values->size() != 3 || !ParseHexValue((*values)[0], &v[0]) ||
        !ParseHexValue((*values)[1], &v[1]) || !ParseHexValue((*values)[2], &v[2])) {
      *context.err << "tamarack-cli sense: give KEY ASC ASCQ in hexadecimal (for example "
                      "\"sense 2 3a 02\"), or --list\n";
      context.exit_code = kExitBadArguments;
      return;
    }
    const SenseMatch m = MatchSense(table, v[0], v[1], v[2]);
    out << StrFormat("Error Notified(%s).", m.row->message) << "\n";
    if (m.pass > 0) {
      out << StrFormat("pass %d (%s): row %02x/%02x/%02x\n", m.pass, PassName(m.pass), m.row->key,
                       m.row->asc, m.row->ascq);
    } else {
      out << "no row matched\n";
    }
    context.exit_code = kExitGood;
  });
}

}  // namespace tamarack::cli
