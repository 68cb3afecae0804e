// Test helpers: a form edited as the Command tab edits it, by row name and field label.
// `Form` is anything with fields(), field_states() and UpdateField(): the Console, the mode
// page editor.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/cdb_text.h"
#include "console/command_catalogue.h"
#include "console/console.h"
#include "form/labelled_fields.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack::testing {

// The catalogue row named `name`.
inline std::size_t RowNamed(std::string_view name) {
  const auto rows = CommandCatalogue();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (name == rows[i].name) return i;
  }
  ADD_FAILURE() << "no row " << name;
  return 0;
}

// The index of the field labelled `label` in the form shown now.
template <typename Form>
std::size_t FieldNamed(const Form& f, std::string_view label) {
  const std::optional<std::size_t> i = FieldOfLabel(f.fields(), label);
  if (!i) ADD_FAILURE() << "no field " << label;
  return i.value_or(0);
}

template <typename Form>
const FieldState& StateOf(const Form& f, std::string_view label) {
  return f.field_states()[FieldNamed(f, label)];
}

// Changes one field's state with `edit` and hands it to the form, as one user edit.
template <typename Form, typename Edit>
void EditField(Form& f, std::string_view label, Edit edit) {
  const std::size_t i = FieldNamed(f, label);
  FieldState s = f.field_states()[i];
  edit(s);
  f.UpdateField(i, s);
}

template <typename Form>
void SetText(Form& f, std::string_view label, std::string text) {
  EditField(f, label, [&text](FieldState& s) { s.text = std::move(text); });
}

template <typename Form>
void SetChecked(Form& f, std::string_view label, bool on) {
  EditField(f, label, [on](FieldState& s) { s.checked = on; });
}

template <typename Form>
void SetMsf(Form& f, std::string_view label, std::array<std::string, 3> msf) {
  EditField(f, label, [&msf](FieldState& s) { s.msf = std::move(msf); });
}

// Selects entry `choice` of a choice field.
template <typename Form>
void SetChoice(Form& f, std::string_view label, int choice) {
  EditField(f, label, [choice](FieldState& s) { s.choice = choice; });
}

// Sets a check box or a choice as typed text names it (SetFieldFromText: "1", "off", an
// entry's text).
template <typename Form>
void SetFromText(Form& f, std::string_view label, std::string_view text) {
  const FieldDescriptor& field = f.fields()[FieldNamed(f, label)];
  EditField(f, label, [&](FieldState& s) {
    const std::string error = SetFieldFromText(field, text, s);
    if (!error.empty()) ADD_FAILURE() << label << ": " << error;
  });
}

// The form as text, a field a line: a box's text, [x] or [ ] for a check box, the chosen
// entry or "(none)", M:S:F; " (off)" when the field is disabled.
template <typename Form>
std::string FormText(const Form& f) {
  std::string out;
  for (std::size_t i = 0; i < f.fields().size(); ++i) {
    const FieldDescriptor& d = f.fields()[i];
    const FieldState& s = f.field_states()[i];
    out += "  " + std::string(d.label) + ": ";
    if (d.kind == FieldKind::kCheck) {
      out += s.checked ? "[x]" : "[ ]";
    } else if (d.kind == FieldKind::kChoice) {
      out += s.choice < 0 ? "(none)" : d.choices[static_cast<std::size_t>(s.choice)].text;
    } else if (d.kind == FieldKind::kMsf) {
      out += s.msf[0] + ":" + s.msf[1] + ":" + s.msf[2];
    } else {
      out += s.text;
    }
    out += s.enabled ? "\n" : " (off)\n";
  }
  return out;
}

// Edits the console step by step as the Command tab does and compares the transcript with
// tests/data/decode/NAME.txt. Steps: "select ROW", "hex on" or "hex off", "set LABEL=TEXT",
// "check LABEL=1" (or 0), "choose LABEL=ENTRY", "store ROW=HEX" (the row's stored CDB). After
// each: the CDB line, the blocks to transfer, the parameter bytes and the form.
inline void ExpectConsoleTranscript(Console& c, const std::string& name,
                                    const std::vector<std::string_view>& steps) {
  std::string t;
  for (std::string_view step : steps) {
    const std::size_t space = step.find(' '), equals = step.find('=');
    const std::string verb(step.substr(0, space));
    const std::string what(
        step.substr(space + 1, equals == step.npos ? step.npos : equals - space - 1));
    const std::string value(equals == step.npos ? "" : step.substr(equals + 1));
    if (verb == "select") c.SelectRow(RowNamed(what));
    if (verb == "hex") c.SetHexInput(what == "on");
    if (verb == "set") SetText(c, what, value);
    if (verb == "check" || verb == "choose") SetFromText(c, what, value);
    if (verb == "store") {
      c.catalogue().row(RowNamed(what)).cdb_store = ParseCdbBoxText(value).cdb.value();
    }
    t += "> " + std::string(step) + "\ncdb " + c.CdbLine() + "\nblocks " +
         std::to_string(c.current().transfer_blocks) + " parameter " +
         HexBytes(c.current().parameter) + "\n" + FormText(c);
  }
  ExpectGoldenFile(name + ".txt", t, "decode");
}

}  // namespace tamarack::testing
