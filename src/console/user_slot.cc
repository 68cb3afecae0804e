#include "console/user_slot.h"

#include <algorithm>

#include "decode/basic_commands.h"
#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

namespace {

constexpr Choice kDirectionChoices[] = {
    {TR_NOOP("転送なし"), 0},
    {TR_NOOP("送信(PC->Drive)"), 1},
    {TR_NOOP("受信(Drive->PC)"), 2},
};

std::uint32_t GetDirection(const FormData& d) { return DirectionCode(d.direction); }
void SetDirection(FormData& d, std::uint32_t v) { d.direction = DirectionFromCode(v); }
std::uint32_t GetLength(const FormData& d) { return d.length; }
void SetLength(FormData& d, std::uint32_t v) { d.length = v; }

bool MovesData(const FormData& d) { return d.direction != DataDirection::kNone; }
bool SendsData(const FormData& d) { return d.direction == DataDirection::kOut; }

std::string GetDataText(const FormData& d) {
  return d.direction == DataDirection::kOut ? SlotDataText(d.parameter) : std::string();
}
void SetDataText(FormData& d, std::string_view text) {
  d.parameter = ParseSlotData(text, d.length);
}

void KeepSlotSettings(FormData& current, const FormData& source) {
  current.direction = source.direction;
  current.length = source.length;
  current.parameter = source.parameter;
  current.transfer_blocks = 0;
}

constexpr FieldDescriptor ByteBox(int i, const char* label) {
  FieldBuilder f = NumberField(label, BigEndian(i, 1), NumberSize::kOne).AdvanceWhenFull();
  f.same_row = i > 0;
  return f;
}

const FieldDescriptor kSlotFields[] = {
    LabelField(kSlotTitle),
    ByteBox(0, " 00"),
    ByteBox(1, " 01"),
    ByteBox(2, " 02"),
    ByteBox(3, " 03"),
    ByteBox(4, " 04"),
    ByteBox(5, " 05"),
    ByteBox(6, " 06"),
    ByteBox(7, " 07"),
    ByteBox(8, " 08"),
    ByteBox(9, " 09"),
    ByteBox(10, " 10"),
    ByteBox(11, " 11"),
    ChoiceField(TR_NOOP("ﾃﾞｰﾀ転送のﾀｲﾌﾟ"), Accessor(&GetDirection, &SetDirection),
                kDirectionChoices),
    NumberField(TR_NOOP("ﾃﾞｰﾀ長"), Accessor(&GetLength, &SetLength), NumberSize::kTwo)
        .Spin(0, kSlotLengthSpinMax)
        .When(&MovesData),
    LabelField(kSlotDataHeader).When(&SendsData),
    TextField(TR_NOOP("ﾃﾞｰﾀ(PC->Drive)"), &GetDataText, &SetDataText).When(&SendsData),
};

const FormLayout kSlotForm{kSlotFields, false, true, &KeepSlotSettings};

// "*" and any character that is not a hexadecimal digit count as 0.
int HexDigit(char c) { return std::max(0, HexDigitValue(c)); }

bool EndsDigit(std::string_view text, std::size_t i) {
  return i >= text.size() || text[i] == ' ' || text[i] == '\r' || text[i] == '\n';
}

}  // namespace

std::vector<std::uint8_t> ParseSlotData(std::string_view text, std::uint32_t length) {
  std::vector<std::uint8_t> data(length, 0);
  std::size_t n = 0;
  std::size_t i = 0;
  while (i < text.size() && n < data.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (EndsDigit(text, i + 1)) {
      data[n++] = static_cast<std::uint8_t>(HexDigit(c));
      i += 1;
    } else {
      data[n++] = static_cast<std::uint8_t>((HexDigit(c) << 4) | HexDigit(text[i + 1]));
      i += 2;
    }
  }
  return data;
}

std::string SlotDataText(std::span<const std::uint8_t> data) {
  std::string t;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0 && i % 16 == 0) t += "\r\n";
    StrAppendFormat(&t, "%02x", data[i]);
  }
  return t;
}

void StoreSlot(const FormData& current, CommandRowState& slot) {
  slot.cdb_store = current.cdb;
  slot.opcode = current.cdb[0];
  slot.direction = current.direction;
  slot.length = current.length;
  if (current.direction == DataDirection::kOut) slot.out_data = current.parameter;
}

FormData SlotFormData(const CommandRowState& slot) {
  FormData d;
  d.cdb = slot.cdb_store;
  d.direction = slot.direction;
  d.length = slot.length;
  d.parameter = slot.out_data;
  return d;
}

const CommandBehaviour kUserSlotBehaviour{&kSlotForm, &DecodeTransferredData,
                                          ResultView::kDecodedText, false};

}  // namespace tamarack
