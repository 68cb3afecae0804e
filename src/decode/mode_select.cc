#include "decode/mode_select.h"

#include <algorithm>

#include "decode/mode_sense.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr int kWideListBox = 560;
constexpr int kWideDumpBox = 220;

void BuildModeSelect(FormData& current, const FormData& source) {
  current.cdb[1] = static_cast<std::uint8_t>(current.cdb[1] | 0x10);  // PF: pages in MMC format
  current.parameter = source.parameter;
  if (current.parameter.size() < kModeParameterHeaderBytes) {
    current.parameter.resize(kModeParameterHeaderBytes, 0);
  }
  // The mode data length is reserved in Mode Select: a drive may refuse a list that sets it.
  current.parameter[0] = 0;
  current.parameter[1] = 0;
  SetParameterListLength(current.cdb, current.parameter.size());
}

const FieldDescriptor kModeSelectFields[] = {
    CheckField("SP(Save Pages)", Bit(1, 0)),
};
const FormLayout kModeSelectForm{kModeSelectFields, false, false, &BuildModeSelect};

}  // namespace

std::vector<std::uint8_t> BuildParameterList(const ModePageTable& table) {
  std::vector<std::uint8_t> list(kModeParameterHeaderBytes, 0);
  for (const ModePageRow& r : table.rows()) {
    if (!r.send) continue;
    const std::size_t n = std::min<std::size_t>(r.page_length, kModePageBufferBytes);
    const std::size_t at = list.size();
    list.insert(list.end(), r.buffer.begin(), r.buffer.begin() + static_cast<std::ptrdiff_t>(n));
    // PS (parameters saveable) is what Mode Sense reports; in Mode Select the bit is reserved.
    if (n != 0) list[at] &= 0x7F;
  }
  return list;
}

void SetParameterListLength(Cdb& cdb, std::size_t length) {
  WriteBe16(cdb, 7, static_cast<std::uint32_t>(std::min<std::size_t>(length, 0xFFFF)));
}

std::string ParameterListText(std::span<const std::uint8_t> list, int box_width) {
  const std::size_t per_line = box_width > kWideListBox ? 32 : 16;
  std::string text;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i != 0 && i % per_line == 0) text += "\r\n";
    StrAppendFormat(&text, "%02x", list[i]);
  }
  return text;
}

std::string PageDataDumpText(const ModePageRow& row, int box_width) {
  const std::size_t per_line = box_width > kWideDumpBox ? 16 : 8;
  const std::size_t n = std::min<std::size_t>(row.page_length, kModePageBufferBytes);
  std::string text;
  for (std::size_t i = 0; i < n; ++i) {
    if (i % per_line == 0) {
      if (i != 0) text += "\r\n";
      StrAppendFormat(&text, "+%02zx|", i);
    }
    StrAppendFormat(&text, "%02x", row.buffer[i]);
  }
  return text;
}

DecodeOutput DecodeModeSelect(const DecodeInput& input) {
  const std::size_t n = std::min<std::size_t>(
      input.received_length != 0 ? input.received_length : input.data.size(), input.data.size());
  DecodeOutput out;
  out.text = ParameterListText(input.data.first(n));
  if (out.text.size() > kModeSelectTextKept) out.text.resize(kModeSelectTextKept);
  out.text += kModeSelectDoneText;
  return out;
}

const CommandBehaviour kModeSelectBehaviour{.form = &kModeSelectForm,
                                            .decoder = &DecodeModeSelect,
                                            .page_editor = PageEditorUse::kModeSelect};

}  // namespace tamarack
