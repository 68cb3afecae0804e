// Parameter forms as data: each form is a list of field descriptors (label, kind, where the
// value lives). Filling a form from stored values and collecting it back into the current
// command are generic and pure; the window only renders the descriptors.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "form/form_data.h"
#include "form/number_box.h"

namespace tamarack {

enum class FieldKind : std::uint8_t {
  kLabel,          // a fixed line of text (a title, a column header)
  kCheck,          // check box: one bit
  kChoice,         // drop-down list whose entries carry the value written into the field
  kNumber,         // number box with its spin button
  kMsf,            // three two-digit boxes M, S and F over three consecutive bytes
  kStartPosition,  // the start position row: its address box (quick-set buttons and track
                   // box are added by the read command forms)
  kText,           // multi-line text typed by the user (the data box of a user slot)
  kNote,           // text computed from the form's values at every collection
};

enum class FieldBuffer : std::uint8_t { kCdb, kParameter };

// Where a field's value lives.
struct FieldLocation {
  enum class Kind : std::uint8_t { kNone, kBits, kMasked, kBigEndian, kAccessor };
  Kind kind = Kind::kNone;
  FieldBuffer buffer = FieldBuffer::kCdb;
  std::uint8_t offset = 0;  // byte of the field (kBits) or its first byte (kBigEndian)
  std::uint8_t shift = 0;   // kBits: the lowest bit
  // kBits: number of bits; kMasked: the mask; kBigEndian: number of bytes, 1 to 4.
  std::uint8_t width = 0;
  // kAccessor: the few fields that are not a plain piece of a buffer.
  std::uint32_t (*get)(const FormData&) = nullptr;
  void (*set)(FormData&, std::uint32_t) = nullptr;
};

constexpr FieldLocation Bits(int byte, int low_bit, int count,
                             FieldBuffer buffer = FieldBuffer::kCdb) {
  return {FieldLocation::Kind::kBits, buffer, static_cast<std::uint8_t>(byte),
          static_cast<std::uint8_t>(low_bit), static_cast<std::uint8_t>(count)};
}
constexpr FieldLocation Bit(int byte, int bit, FieldBuffer buffer = FieldBuffer::kCdb) {
  return Bits(byte, bit, 1, buffer);
}
// Bits of one byte kept in place: the value is the byte and `mask` (choices whose values are
// written as they stand in the byte, such as 40h for bits 7-6 = 01b).
constexpr FieldLocation Masked(int byte, std::uint8_t mask,
                               FieldBuffer buffer = FieldBuffer::kCdb) {
  return {FieldLocation::Kind::kMasked, buffer, static_cast<std::uint8_t>(byte), 0, mask};
}
constexpr FieldLocation BigEndian(int offset, int bytes, FieldBuffer buffer = FieldBuffer::kCdb) {
  return {FieldLocation::Kind::kBigEndian, buffer, static_cast<std::uint8_t>(offset), 0,
          static_cast<std::uint8_t>(bytes)};
}
constexpr FieldLocation Accessor(std::uint32_t (*get)(const FormData&),
                                 void (*set)(FormData&, std::uint32_t)) {
  FieldLocation l;
  l.kind = FieldLocation::Kind::kAccessor;
  l.get = get;
  l.set = set;
  return l;
}

// Reads and writes a field; a location outside its buffer reads as 0 and writes nothing.
std::uint32_t ReadField(const FieldLocation& location, const FormData& data);
void WriteField(const FieldLocation& location, std::uint32_t value, FormData& data);

struct Choice {
  const char* text;
  std::uint32_t value;
};

struct FieldDescriptor {
  FieldKind kind = FieldKind::kLabel;
  const char* label = "";
  // Where collection writes the value (and filling reads it, unless `fill_from` is set:
  // some boxes are filled from a wider field than they write back).
  FieldLocation location;
  FieldLocation fill_from;
  NumberSize size = NumberSize::kFour;  // number boxes
  std::span<const Choice> choices;      // choice boxes
  std::uint32_t spin_lower = 0;
  std::uint32_t spin_upper = 0;  // 0: the limit of the size
  // kText: read and write the text; kNote: compute it; kLabel: `label` is the text.
  std::string (*get_text)(const FormData&) = nullptr;
  void (*set_text)(FormData&, std::string_view) = nullptr;
  // Null: always enabled. A disabled field is not collected.
  bool (*enabled_if)(const FormData&) = nullptr;
  // Layout: the field stays on the row of the field before it.
  bool same_row = false;
  // One-byte boxes typed in sequence: once two characters are in, typing moves on to the
  // next such box (after the last, back to the first).
  bool advance_when_full = false;
};

// Builders of field descriptors, so that a form reads as a list:
//   CheckField("IMMED", Bit(1, 0)), NumberField("Allocation Length", BigEndian(7, 2),
//   NumberSize::kTwo), LabelField("..."), ... with .When(...), .SameRow(), .Spin(lo, hi),
//   .FilledFrom(...) where needed.
struct FieldBuilder : FieldDescriptor {
  constexpr FieldBuilder When(bool (*enabled)(const FormData&)) const {
    FieldBuilder f = *this;
    f.enabled_if = enabled;
    return f;
  }
  constexpr FieldBuilder SameRow() const {
    FieldBuilder f = *this;
    f.same_row = true;
    return f;
  }
  constexpr FieldBuilder Spin(std::uint32_t lower, std::uint32_t upper) const {
    FieldBuilder f = *this;
    f.spin_lower = lower;
    f.spin_upper = upper;
    return f;
  }
  constexpr FieldBuilder FilledFrom(FieldLocation from) const {
    FieldBuilder f = *this;
    f.fill_from = from;
    return f;
  }
  constexpr FieldBuilder AdvanceWhenFull() const {
    FieldBuilder f = *this;
    f.advance_when_full = true;
    return f;
  }
};

constexpr FieldBuilder MakeField(FieldKind kind, const char* label, FieldLocation location) {
  FieldBuilder f;
  f.kind = kind;
  f.label = label;
  f.location = location;
  return f;
}
constexpr FieldBuilder LabelField(const char* text) {
  return MakeField(FieldKind::kLabel, text, {});
}
constexpr FieldBuilder CheckField(const char* label, FieldLocation location) {
  return MakeField(FieldKind::kCheck, label, location);
}
constexpr FieldBuilder ChoiceField(const char* label, FieldLocation location,
                                   std::span<const Choice> choices) {
  FieldBuilder f = MakeField(FieldKind::kChoice, label, location);
  f.choices = choices;
  return f;
}
constexpr FieldBuilder NumberField(const char* label, FieldLocation location, NumberSize size) {
  FieldBuilder f = MakeField(FieldKind::kNumber, label, location);
  f.size = size;
  return f;
}
// Three boxes M, S, F over the byte at `first` and the two after it.
constexpr FieldBuilder MsfField(const char* label, FieldLocation first) {
  return MakeField(FieldKind::kMsf, label, first);
}
constexpr FieldBuilder StartPositionField(const char* label, FieldLocation location) {
  return MakeField(FieldKind::kStartPosition, label, location);
}
constexpr FieldBuilder TextField(const char* label, std::string (*get)(const FormData&),
                                 void (*set)(FormData&, std::string_view)) {
  FieldBuilder f = MakeField(FieldKind::kText, label, {});
  f.get_text = get;
  f.set_text = set;
  return f;
}
constexpr FieldBuilder NoteField(const char* label, std::string (*compute)(const FormData&)) {
  FieldBuilder f = MakeField(FieldKind::kNote, label, {});
  f.get_text = compute;
  return f;
}

struct FormLayout {
  std::span<const FieldDescriptor> fields;
  // The form has no field of its own and shows "No Parameter".
  bool no_parameter = false;
  // Selecting the command switches hex input on (user slots).
  bool forces_hex_input = false;
  // Runs when the form is built, after the current command was cleared to its opcode:
  // values a form sets beyond its fields (an allocation length, a whole stored CDB).
  void (*on_build)(FormData& current, const FormData& source) = nullptr;
};

// What one field shows.
struct FieldState {
  std::string text;                // number, start position, text, note and label fields
  std::array<std::string, 3> msf;  // M, S, F
  bool checked = false;
  int choice = -1;  // the selected entry; -1 none
  bool enabled = true;

  bool operator==(const FieldState&) const = default;
};

inline constexpr const char* kNoParameterText = "No Parameter";
inline constexpr const char* kControlByteLabel = "Control Byte";

// The Control Byte row: a one-byte box over the CDB byte at `index`.
FieldDescriptor ControlByteField(int index);

// The fields a form shows: its own, then the Control Byte row when the option is on and the
// command has a control byte (index not 0).
std::vector<FieldDescriptor> FormFields(const FormLayout& form, int control_byte_index,
                                        bool show_control_byte);

// True when a field can be edited (everything but labels and notes).
bool IsEditable(const FieldDescriptor& field);
bool HasEditableField(std::span<const FieldDescriptor> fields);
// True when a field is typed as a number (the hex input switch is shown with such forms).
bool IsNumberField(const FieldDescriptor& field);
bool HasNumberField(std::span<const FieldDescriptor> fields);

// One state per field, filled from `source`.
std::vector<FieldState> FillFields(std::span<const FieldDescriptor> fields, const FormData& source,
                                   bool hex);

// Writes every enabled field, in field order, into `current`; then refreshes the enabled
// flags and the computed notes of `states`. `states` must hold one state per field.
void CollectFields(std::span<const FieldDescriptor> fields, std::vector<FieldState>& states,
                   FormData& current, bool hex);

// Writes only field `index` (when enabled) into `current`, so that the bytes of fields the
// user did not touch stay exactly as they were; then refreshes the enabled flags and the
// computed notes as CollectFields does.
void CollectField(std::span<const FieldDescriptor> fields, std::vector<FieldState>& states,
                  std::size_t index, FormData& current, bool hex);

// The base switch: every number box is read in the old base and written in the new one.
void RebaseFields(std::span<const FieldDescriptor> fields, std::vector<FieldState>& states,
                  bool from_hex, bool to_hex);

// The value of a number box after one spin step within the field's limits.
std::string SpinField(const FieldDescriptor& field, std::string_view text, bool up, bool hex);

}  // namespace tamarack
