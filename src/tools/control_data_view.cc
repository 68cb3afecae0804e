#include "tools/control_data_view.h"

#include <algorithm>

#include "console/command_catalogue.h"
#include "decode/status_commands.h"
#include "form/hex_dump.h"
#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

std::string ControlDataList(std::span<const std::uint8_t> data) {
  const std::size_t n = std::min(data.size(), kControlDataListBytes);
  if (n == 0) return kNoDataText;
  std::string out;
  for (std::size_t line = 0; line < n; line += kDumpLineBytes) {
    const std::size_t count = std::min(kDumpLineBytes, n - line);
    StrAppendFormat(&out, "+%03zxh|", line);
    for (std::size_t i = 0; i < count; ++i) StrAppendFormat(&out, "%02x ", data[line + i]);
    out.append(3 * (kDumpLineBytes - count), ' ');
    out.push_back(':');
    for (std::size_t i = 0; i < count; ++i) out.append(DumpCharacter(data[line + i]));
    out.append("\r\n");
  }
  return out;
}

std::string ControlDataCdbLine(const std::optional<Cdb>& cdb, const CatalogueState& catalogue) {
  if (!cdb) return {};
  std::string line = HexBytes(*cdb, "");
  if (const auto row = FindRowByOpcode((*cdb)[0], catalogue)) {
    StrAppendFormat(&line, Tr(" %s ｺﾏﾝﾄﾞ"), catalogue.Name(*row).c_str());
  }
  return line;
}

const char* DumpSaveExtension(DumpSaveForm form) {
  switch (form) {
    case DumpSaveForm::kText:
      return "txt";
    case DumpSaveForm::kHex:
      return "dat";
    case DumpSaveForm::kBinary:
      return "bin";
  }
  return "txt";
}

std::string DumpSaveBytes(DumpSaveForm form, std::span<const std::uint8_t> data,
                          std::string_view shown_text) {
  switch (form) {
    case DumpSaveForm::kText:
      return std::string(shown_text);
    case DumpSaveForm::kHex:
      return HexBytes(data, "");
    case DumpSaveForm::kBinary:
      return std::string(data.begin(), data.end());
  }
  return {};
}

}  // namespace tamarack
