// tamarack-cli sense KEY ASC ASCQ | --list | --inhex FILE [--raw]
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/hex_text.h"
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

bool ParseHexValue(const std::string& text, std::uint32_t max, std::uint32_t* value) {
  const auto v = ParseDigits(text, 16, max);
  if (!v) return false;
  *value = static_cast<std::uint32_t>(*v);
  return true;
}

}  // namespace

void PrintSenseLookUp(std::ostream& out, std::uint32_t key, std::uint32_t asc, std::uint32_t ascq) {
  const SenseMatch m = MatchSense(BuiltInSenseTable(), key, asc, ascq);
  out << StrFormat("Error Notified(%s).", m.row->message) << "\n";
  switch (m.source) {
    case SenseSource::kTable:
      out << StrFormat("error table, pass %d (%s): row %02x/%02x/%02x\n", m.pass, PassName(m.pass),
                       m.row->key, m.row->asc, m.row->ascq);
      break;
    case SenseSource::kCodeList:
      out << StrFormat("standard code list (ASC and ASCQ, any sense key): %02x/%02x\n", m.row->asc,
                       m.row->ascq);
      break;
    case SenseSource::kNone:
      out << "no row matched\n";
      break;
  }
}

int DecodeSenseBytes(std::ostream& out, std::ostream& err, std::span<const std::uint8_t> sense) {
  const ParsedSense p = ParseSense(sense);
  if (p.format == SenseFormat::kNone) {
    err << (sense.empty() ? std::string("tamarack-cli sense: the file holds no sense bytes\n")
                          : StrFormat("tamarack-cli sense: response code %02xh is no sense data "
                                      "(70h to 73h or 7Fh)\n",
                                      sense[0] & 0x7Fu));
    return kExitBadArguments;
  }
  out << PlainLines(DecodeRequestSenseText(sense));
  PrintSenseLookUp(out, p.key, p.asc, p.ascq);
  if (const auto info = SenseInformation(sense)) {
    out << StrFormat("Information %u (%08xh)\n", *info, *info);
  }
  return kExitGood;
}

void AddSenseCommand(CLI::App& app, CliContext& context) {
  auto* cmd = app.add_subcommand("sense", "Look up a sense key, ASC and ASCQ in the error table");
  auto values = std::make_shared<std::vector<std::string>>();
  auto list = std::make_shared<bool>(false);
  auto inhex = std::make_shared<std::string>();
  auto raw = std::make_shared<bool>(false);
  cmd->add_option("codes", *values, "KEY ASC ASCQ in hexadecimal")->expected(0, 3);
  cmd->add_flag("--list", *list, "Print the sense-code list (keys 0 to 9)");
  cmd->add_option("--inhex", *inhex,
                  "Decode the sense bytes of FILE (hex text, '#' comments) as Request Sense does");
  cmd->add_flag("--raw", *raw, "With --inhex: FILE holds the bytes themselves, not hex text");
  cmd->callback([&context, values, list, inhex, raw] {
    std::ostream& out = *context.out;
    if (*list) {
      for (const SenseCodeListRow& r : SenseCodeList(BuiltInSenseTable())) {
        out << r.key << "  " << r.asc << "  " << r.ascq << "  " << r.message << "\n";
      }
      context.exit_code = kExitGood;
      return;
    }
    if (!inhex->empty()) {
      std::string error;
      const auto bytes = ReadReplyFile(*inhex, *raw, &error);
      if (!bytes) {
        *context.err << "tamarack-cli sense: " << error << "\n";
        context.exit_code = kExitBadArguments;
        return;
      }
      context.exit_code = DecodeSenseBytes(out, *context.err, *bytes);
      return;
    }
    std::uint32_t v[3];
    if (values->size() != 3 || !ParseHexValue((*values)[0], 0xFFFFFFFFu, &v[0]) ||
        !ParseHexValue((*values)[1], 0xFFFFFFFFu, &v[1]) ||
        !ParseHexValue((*values)[2], 0xFFFFFFFFu, &v[2])) {
      *context.err << "tamarack-cli sense: give KEY ASC ASCQ in hexadecimal (for example "
                      "\"sense 2 3a 02\"), --list or --inhex FILE\n";
      context.exit_code = kExitBadArguments;
      return;
    }
    // The sense key is four bits, ASC and ASCQ a byte each.
    if (v[0] > 0x0F || v[1] > 0xFF || v[2] > 0xFF) {
      *context.err << "tamarack-cli sense: the sense key is 0 to f, ASC and ASCQ 00 to ff\n";
      context.exit_code = kExitBadArguments;
      return;
    }
    PrintSenseLookUp(out, v[0], v[1], v[2]);
    context.exit_code = kExitGood;
  });
}

}  // namespace tamarack::cli
