#include "form/labelled_fields.h"

#include <cctype>
#include <cstdint>

#include "util/strings.h"

namespace tamarack {

namespace {

std::string Lower(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A number typed as text: decimal, or hexadecimal after "0x".
std::optional<std::uint64_t> ParseTypedNumber(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.size() > 10) return std::nullopt;
  return ParseDigits(text, base, UINT64_MAX);
}

// The largest value a box of `size` bytes holds.
std::uint64_t SizeLimit(NumberSize size) {
  switch (size) {
    case NumberSize::kOne:
      return 0xFF;
    case NumberSize::kTwo:
      return 0xFFFF;
    case NumberSize::kFour:
      return 0xFFFFFFFF;
  }
  return 0xFFFFFFFF;
}

// The entry `value` names: its text, the start of exactly one entry's text, or its value.
std::optional<int> ChoiceOfText(const FieldDescriptor& f, std::string_view value) {
  const std::string v = Lower(value);
  int found = -1;
  int starts = 0;
  for (std::size_t c = 0; c < f.choices.size(); ++c) {
    const std::string text = Lower(f.choices[c].text);
    if (text == v) return static_cast<int>(c);
    if (!v.empty() && text.starts_with(v)) {
      found = static_cast<int>(c);
      ++starts;
    }
  }
  if (starts == 1) return found;
  if (const auto n = ParseTypedNumber(value)) {
    for (std::size_t c = 0; c < f.choices.size(); ++c) {
      if (f.choices[c].value == *n) found = static_cast<int>(c);
    }
    if (found >= 0) return found;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::size_t> FieldOfLabel(std::span<const FieldDescriptor> fields,
                                        std::string_view label, bool ignore_case) {
  const std::string lower = Lower(label);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (ignore_case ? Lower(fields[i].label) == lower : label == fields[i].label) return i;
  }
  return std::nullopt;
}

std::string FieldValueText(const FieldDescriptor& field, const FieldState& state,
                           const FormData& data) {
  switch (field.kind) {
    case FieldKind::kCheck:
      return state.checked ? "On" : "Off";
    case FieldKind::kChoice:
      if (state.choice >= 0) return field.choices[static_cast<std::size_t>(state.choice)].text;
      // The box would show nothing: the field's value as it stands.
      return StrFormat("(%02xh)", ReadField(field.location, data));
    default:
      return state.text;
  }
}

std::string SetFieldFromText(const FieldDescriptor& field, std::string_view value,
                             FieldState& state) {
  switch (field.kind) {
    case FieldKind::kCheck: {
      const std::string v = Lower(value);
      if (v == "on" || v == "1" || v == "true") {
        state.checked = true;
      } else if (v == "off" || v == "0" || v == "false") {
        state.checked = false;
      } else {
        return "a check box takes on or off";
      }
      return "";
    }
    case FieldKind::kChoice: {
      const std::optional<int> choice = ChoiceOfText(field, value);
      if (!choice) {
        std::string list;
        for (const Choice& c : field.choices) {
          list += StrFormat("\n  \"%s\" (%u)", c.text, c.value);
        }
        return "no such choice; the choices are:" + list;
      }
      state.choice = *choice;
      return "";
    }
    case FieldKind::kNumber: {
      const auto n = ParseTypedNumber(value);
      if (!n || *n > SizeLimit(field.size)) {
        return StrFormat("a number from 0 to %llu (decimal, or hexadecimal after 0x)",
                         static_cast<unsigned long long>(SizeLimit(field.size)));
      }
      state.text = std::to_string(*n);
      return "";
    }
    case FieldKind::kText:
      state.text = std::string(value);
      return "";
    default:
      return "this field cannot be set";
  }
}

}  // namespace tamarack
