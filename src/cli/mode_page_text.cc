#include "cli/mode_page_text.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "decode/mode_page_fields.h"
#include "decode/mode_sense.h"
#include "form/decoder.h"
#include "form/labelled_fields.h"
#include "form/number_box.h"
#include "mmc/mode_sense.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack::cli {

namespace {

std::string Lower(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

FormData PageData(const ModePageRow& row) {
  FormData d;
  d.parameter.assign(row.buffer.begin(), row.buffer.end());
  return d;
}

std::uint32_t ScreensOf(const ModePageRow& row) {
  return row.screen_count == 0 ? 1 : row.screen_count;
}

}  // namespace

std::vector<ModeFieldText> ModePageFieldTexts(const ModePageRow& row) {
  std::vector<ModeFieldText> out;
  std::map<std::string, int> seen;
  const FormData data = PageData(row);
  for (std::uint32_t screen = 0; screen < ScreensOf(row); ++screen) {
    const std::vector<FieldDescriptor> fields = ModePageFields(row.page_code, screen, row.buffer);
    const std::vector<FieldState> states = FillFields(fields, data, false);
    std::string row_name;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      std::string name = fields[i].label;
      if (name.empty()) {
        name = fields[i].same_row      ? row_name
               : row.page_code == 0x1C ? "Method of Reporting"
                                       : "Field";
      }
      if (!fields[i].same_row) row_name = name;
      const int n = ++seen[Lower(name)];
      if (n > 1) name += StrFormat("#%d", n);
      std::string value = FieldValueText(fields[i], states[i], data);
      // A number box writes 32-bit fields as signed ("-1"); the text says the field's value,
      // unsigned like every narrower field ("4294967295" beside "65535").
      if (fields[i].kind == FieldKind::kNumber) {
        value = StrFormat("%u", ParseNumberText(states[i].text, false));
      }
      out.push_back({name, std::move(value), fields[i]});
    }
  }
  return out;
}

std::string SetModeField(ModePageRow& row, std::string_view name, std::string_view value) {
  // Find the screen and index of the named field, numbering names as ModePageFieldTexts does.
  const std::vector<ModeFieldText> texts = ModePageFieldTexts(row);
  std::size_t flat = texts.size();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (Lower(texts[i].name) == Lower(name)) flat = i;
  }
  if (flat == texts.size()) {
    std::string list;
    for (const ModeFieldText& t : texts) list += "\n  " + t.name;
    return StrFormat("page %02xh has no field \"%.*s\"; its fields are:", row.page_code,
                     static_cast<int>(name.size()), name.data()) +
           list;
  }
  std::size_t skipped = 0;
  for (std::uint32_t screen = 0; screen < ScreensOf(row); ++screen) {
    const std::vector<FieldDescriptor> fields = ModePageFields(row.page_code, screen, row.buffer);
    if (flat >= skipped + fields.size()) {
      skipped += fields.size();
      continue;
    }
    FormData data = PageData(row);
    std::vector<FieldState> states = FillFields(fields, data, false);
    const std::size_t index = flat - skipped;
    const std::string error = SetFieldFromText(fields[index], value, states[index]);
    if (!error.empty()) return texts[flat].name + ": " + error;
    CollectField(fields, states, index, data, false);  // the other fields keep their bytes
    std::copy_n(data.parameter.begin(), row.buffer.size(), row.buffer.begin());
    return "";
  }
  return "no such field";
}

std::optional<std::uint32_t> ParsePageCode(std::string_view text) {
  const auto v = ParseHexCode(text, 2, 0x3F);
  if (!v) return std::nullopt;
  return static_cast<std::uint32_t>(*v);
}

std::optional<std::uint32_t> ParsePageControl(std::string_view text) {
  const std::string t = Lower(text);
  if (t == "current") return 0;
  if (t == "changeable") return 1;
  if (t == "default") return 2;
  if (t == "saved") return 3;
  return std::nullopt;
}

CommandOutcome RunModeSense(DeviceSession& session, std::uint32_t page_code, std::uint32_t pc,
                            std::vector<std::uint8_t>* returned, Cdb* cdb) {
  *cdb = mmc::ModeSense10Cdb({.page = static_cast<std::uint8_t>(page_code & 0x3F),
                              .page_control = static_cast<std::uint8_t>(pc),
                              .length = static_cast<std::uint16_t>(kModeSenseAllocationLength)});
  std::vector<std::uint8_t> buffer(kModeSenseAllocationLength, kFillByte);
  const CommandOutcome outcome = session.Run(*cdb, buffer);
  returned->clear();
  if (outcome.status != CommandStatus::kGood) return outcome;
  const auto bytes =
      ModeSenseReturnedBytes(buffer, ReceivedLength(outcome.result.transferred, buffer.size()));
  returned->assign(bytes.begin(), bytes.end());
  return outcome;
}

std::vector<std::uint8_t> CapturedModeSenseBytes(std::span<const std::uint8_t> reply) {
  std::vector<std::uint8_t> buffer(kModeSenseAllocationLength, kFillByte);
  const std::size_t n = std::min(reply.size(), buffer.size());
  std::copy_n(reply.begin(), n, buffer.begin());
  const auto bytes =
      ModeSenseReturnedBytes(buffer, ReceivedLength(static_cast<std::uint32_t>(n), buffer.size()));
  return {bytes.begin(), bytes.end()};
}

}  // namespace tamarack::cli
