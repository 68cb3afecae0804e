// Editing a form by its fields' labels with typed text, as the command line sets a mode page's
// fields and the tests take a form through a user's steps.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "form/form_data.h"
#include "form/form_layout.h"

namespace tamarack {

// The index of the first field labelled `label`, compared case-insensitively when
// `ignore_case`; nothing when no field has the label.
std::optional<std::size_t> FieldOfLabel(std::span<const FieldDescriptor> fields,
                                        std::string_view label, bool ignore_case = false);

// A field's value as text: "On"/"Off" for a check box, the chosen entry's text (or "(%02xh)",
// the field's value, when no entry holds it), otherwise the box's text.
std::string FieldValueText(const FieldDescriptor& field, const FieldState& state,
                           const FormData& data);

// Sets `state` of `field` from typed text: a check box takes on/off, 1/0, true/false; a choice
// its text (or the start of it, when only one entry starts so), or its value as a number; a
// number box decimal or 0x-prefixed hexadecimal within its size, kept as decimal; a text box
// its text. Returns an error text, empty on success; `state` is unchanged on an error.
std::string SetFieldFromText(const FieldDescriptor& field, std::string_view value,
                             FieldState& state);

}  // namespace tamarack
