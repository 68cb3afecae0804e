#include "form/form_layout.h"

#include "util/bytes.h"
#include "util/message_catalogue.h"
#include "util/strings.h"

namespace tamarack {

namespace {

std::span<const std::uint8_t> BufferOf(const FieldLocation& l, const FormData& d) {
  if (l.buffer == FieldBuffer::kParameter) return d.parameter;
  return d.cdb;
}

std::span<std::uint8_t> BufferOf(const FieldLocation& l, FormData& d) {
  if (l.buffer == FieldBuffer::kParameter) return d.parameter;
  return d.cdb;
}

std::uint32_t BitMask(unsigned width) { return width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1u; }

const FieldLocation& FillLocation(const FieldDescriptor& f) {
  return f.fill_from.kind == FieldLocation::Kind::kNone ? f.location : f.fill_from;
}

std::uint32_t NumberMask(const FieldDescriptor& f) { return MaskToSize(0xFFFFFFFFu, f.size); }

bool Enabled(const FieldDescriptor& f, const FormData& d) {
  return !f.enabled_if || f.enabled_if(d);
}

}  // namespace

std::uint32_t ReadField(const FieldLocation& l, const FormData& d) {
  const auto b = BufferOf(l, d);
  switch (l.kind) {
    case FieldLocation::Kind::kNone:
      return 0;
    case FieldLocation::Kind::kBits:
      return (std::uint32_t{ByteAt(b, l.offset)} >> l.shift) & BitMask(l.width);
    case FieldLocation::Kind::kMasked:
      return std::uint32_t{ByteAt(b, l.offset)} & l.width;
    case FieldLocation::Kind::kBigEndian: {
      std::uint32_t v = 0;
      for (unsigned i = 0; i < l.width && i < 4; ++i) v = (v << 8) | ByteAt(b, l.offset + i);
      return v;
    }
    case FieldLocation::Kind::kAccessor:
      return l.get ? l.get(d) : 0;
  }
  return 0;
}

void WriteField(const FieldLocation& l, std::uint32_t value, FormData& d) {
  const auto b = BufferOf(l, d);
  switch (l.kind) {
    case FieldLocation::Kind::kNone:
      return;
    case FieldLocation::Kind::kBits: {
      if (l.offset >= b.size()) return;
      const std::uint32_t mask = BitMask(l.width) << l.shift;
      const std::uint32_t old = b[l.offset];
      WriteByte(b, l.offset, (old & ~mask) | ((value << l.shift) & mask));
      return;
    }
    case FieldLocation::Kind::kMasked:
      if (l.offset < b.size()) {
        WriteByte(b, l.offset, (b[l.offset] & ~std::uint32_t{l.width}) | (value & l.width));
      }
      return;
    case FieldLocation::Kind::kBigEndian: {
      const unsigned n = l.width < 4 ? l.width : 4;
      for (unsigned i = 0; i < n; ++i) WriteByte(b, l.offset + i, value >> (8 * (n - 1 - i)));
      return;
    }
    case FieldLocation::Kind::kAccessor:
      if (l.set) l.set(d, value);
      return;
  }
}

FieldDescriptor ControlByteField(int index) {
  FieldDescriptor f;
  f.kind = FieldKind::kNumber;
  f.label = kControlByteLabel;
  f.location = BigEndian(index, 1);
  f.size = NumberSize::kOne;
  return f;
}

std::vector<FieldDescriptor> FormFields(const FormLayout& form, int control_byte_index,
                                        bool show_control_byte) {
  std::vector<FieldDescriptor> fields(form.fields.begin(), form.fields.end());
  if (show_control_byte && control_byte_index > 0) {
    fields.push_back(ControlByteField(control_byte_index));
  }
  return fields;
}

bool IsEditable(const FieldDescriptor& f) {
  return f.kind != FieldKind::kLabel && f.kind != FieldKind::kNote;
}

bool HasEditableField(std::span<const FieldDescriptor> fields) {
  for (const FieldDescriptor& f : fields) {
    if (IsEditable(f)) return true;
  }
  return false;
}

bool IsNumberField(const FieldDescriptor& f) {
  return f.kind == FieldKind::kNumber || f.kind == FieldKind::kStartPosition;
}

bool HasNumberField(std::span<const FieldDescriptor> fields) {
  for (const FieldDescriptor& f : fields) {
    if (IsNumberField(f)) return true;
  }
  return false;
}

std::vector<FieldState> FillFields(std::span<const FieldDescriptor> fields, const FormData& source,
                                   bool hex) {
  std::vector<FieldState> states(fields.size());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const FieldDescriptor& f = fields[i];
    FieldState& s = states[i];
    s.enabled = Enabled(f, source);
    switch (f.kind) {
      case FieldKind::kLabel:
        s.text = Tr(f.label);
        break;
      case FieldKind::kCheck:
        s.checked = ReadField(FillLocation(f), source) != 0;
        break;
      case FieldKind::kChoice: {
        const std::uint32_t v = ReadField(FillLocation(f), source);
        for (std::size_t c = 0; c < f.choices.size(); ++c) {
          if (f.choices[c].value == v) {
            s.choice = static_cast<int>(c);
            break;
          }
        }
        break;
      }
      case FieldKind::kNumber:
      case FieldKind::kStartPosition:
        s.text = FormatNumberText(ReadField(FillLocation(f), source) & NumberMask(f), hex);
        break;
      case FieldKind::kMsf: {
        FieldLocation part = FillLocation(f);
        for (std::size_t p = 0; p < 3; ++p) {
          s.msf[p] = StrFormat("%02u", ReadField(part, source));
          ++part.offset;
        }
        break;
      }
      case FieldKind::kText:
      case FieldKind::kNote:
        if (f.get_text) s.text = f.get_text(source);
        break;
    }
  }
  return states;
}

namespace {

void WriteState(const FieldDescriptor& f, const FieldState& s, FormData& current, bool hex) {
  switch (f.kind) {
    case FieldKind::kLabel:
    case FieldKind::kNote:
      break;
    case FieldKind::kCheck:
      WriteField(f.location, s.checked ? 1u : 0u, current);
      break;
    case FieldKind::kChoice:
      if (s.choice >= 0 && static_cast<std::size_t>(s.choice) < f.choices.size()) {
        WriteField(f.location, f.choices[static_cast<std::size_t>(s.choice)].value, current);
      }
      break;
    case FieldKind::kNumber:
    case FieldKind::kStartPosition:
      WriteField(f.location, ParseNumberText(s.text, hex) & NumberMask(f), current);
      break;
    case FieldKind::kMsf: {
      FieldLocation part = f.location;
      for (std::size_t p = 0; p < 3; ++p) {
        WriteField(part, ParseNumberText(s.msf[p], false) & 0xFFu, current);
        ++part.offset;
      }
      break;
    }
    case FieldKind::kText:
      if (f.set_text) f.set_text(current, s.text);
      break;
  }
}

// What depends on the values just collected: enabled states and computed texts.
void RefreshDependents(std::span<const FieldDescriptor> fields, std::vector<FieldState>& states,
                       const FormData& current) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    states[i].enabled = Enabled(fields[i], current);
    if (fields[i].kind == FieldKind::kNote && fields[i].get_text) {
      states[i].text = fields[i].get_text(current);
    }
  }
}

}  // namespace

void CollectFields(std::span<const FieldDescriptor> fields, std::vector<FieldState>& states,
                   FormData& current, bool hex) {
  if (states.size() != fields.size()) return;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    FieldState& s = states[i];
    s.enabled = Enabled(fields[i], current);
    if (s.enabled) WriteState(fields[i], s, current, hex);
  }
  RefreshDependents(fields, states, current);
}

void CollectField(std::span<const FieldDescriptor> fields, std::vector<FieldState>& states,
                  std::size_t index, FormData& current, bool hex) {
  if (states.size() != fields.size() || index >= fields.size()) return;
  if (Enabled(fields[index], current)) WriteState(fields[index], states[index], current, hex);
  RefreshDependents(fields, states, current);
}

void RebaseFields(std::span<const FieldDescriptor> fields, std::vector<FieldState>& states,
                  bool from_hex, bool to_hex) {
  if (states.size() != fields.size() || from_hex == to_hex) return;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!IsNumberField(fields[i])) continue;
    states[i].text = FormatNumberText(ParseNumberText(states[i].text, from_hex), to_hex);
  }
}

std::string SpinField(const FieldDescriptor& field, std::string_view text, bool up, bool hex) {
  const std::uint32_t upper = field.spin_upper != 0 ? field.spin_upper : SpinUpperLimit(field.size);
  const std::uint32_t value = ParseNumberText(text, hex) & NumberMask(field);
  return FormatNumberText(SpinStep(value, up, field.spin_lower, upper), hex);
}

}  // namespace tamarack
