#include "decode/mode_page_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "console/form_driver.h"  // FormText, FieldNamed
#include "decode/mode_page_table.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack {
namespace {

// The fields of one screen of a page and their states, as a form for the form_driver.h
// helpers.
struct PageForm {
  std::vector<FieldDescriptor> descriptors;
  std::vector<FieldState> states;
  const std::vector<FieldDescriptor>& fields() const { return descriptors; }
  const std::vector<FieldState>& field_states() const { return states; }
  void UpdateField(std::size_t i, const FieldState& s) { states[i] = s; }
};

// Fills and collects the fields of page screens step by step and compares the transcript
// with tests/data/decode/NAME.txt. Steps: "page CODE SCREEN [hex] / OFFSET=BYTES..." (a page
// of zeros holding those bytes, its fields filled: the form follows), "set FIELD=TEXT",
// "choice FIELD=N" (entry N), "collect FIELD" (that field alone) or "collect all": the page's
// bytes (as many as its length byte says) follow. A FIELD is a label or "#" and an index.
void ExpectFieldsTranscript(const std::string& name, const std::vector<std::string_view>& steps) {
  std::string t;
  std::array<std::uint8_t, 100> page{};
  FormData data;
  PageForm form;
  bool hex = false;
  for (std::string_view step : steps) {
    t += "> " + std::string(step) + "\n";
    std::istringstream in{std::string(step)};
    std::string verb, rest;
    in >> verb;
    std::getline(in >> std::ws, rest);
    const std::string label = rest.substr(0, rest.find('='));
    const std::string value = rest.find('=') == rest.npos ? "" : rest.substr(rest.find('=') + 1);
    if (verb == "page") {
      unsigned code = 0, screen = 0;
      std::string word;
      in.clear();
      in.str(rest);
      in >> std::hex >> code >> screen >> word;
      hex = word == "hex";
      page.fill(0);
      page[0] = static_cast<std::uint8_t>(code);
      std::istringstream bytes(rest.substr(rest.find('/') + 1));
      std::size_t at = 0;
      for (std::string w; bytes >> w;) {
        if (const std::size_t eq = w.find('='); eq != w.npos) {
          at = std::stoul(w.substr(0, eq), nullptr, 16);
          w.erase(0, eq + 1);
        }
        page.at(at++) = static_cast<std::uint8_t>(std::stoul(w, nullptr, 16));
      }
      form.descriptors = ModePageFields(static_cast<std::uint8_t>(code), screen, page);
      data.parameter.assign(page.begin(), page.end());
      form.states = FillFields(form.descriptors, data, hex);
      t += testing::FormText(form);
    } else {
      const std::size_t i = rest.starts_with('#') ? std::stoul(rest.substr(1))
                            : rest == "all"       ? 0
                                                  : testing::FieldNamed(form, label);
      if (verb == "set") form.states[i].text = value;
      if (verb == "choice") form.states[i].choice = std::stoi(value);
      if (verb != "collect") continue;
      if (rest == "all") {
        CollectFields(form.descriptors, form.states, data, hex);
      } else {
        CollectField(form.descriptors, form.states, i, data, hex);
      }
      t += "  bytes " + HexBytes(std::span(data.parameter).first(data.parameter[1] + 2u)) + "\n";
    }
  }
  testing::ExpectGoldenFile(name + ".txt", t, "decode");
}

// The fields of every screen of every Mode Sense page, and of one screen past each page's
// last, as their count (3Fh and screens a page does not have: none) and whether a number box
// shows the hex input switch, in tests/data/decode/fields_per_screen.txt. Screen 5 of page
// 2Ah follows the page length, below.
TEST(ModePageFields, EveryPageAndScreen) {
  const std::array<std::uint8_t, 100> page{};
  std::string t;
  const ModePageTable table = ModePageTable::ModeSense();
  for (const ModePageRow& row : table.rows()) {
    // A count of 0 is one screen.
    for (std::uint32_t screen = 0; screen <= std::max(row.screen_count, 1u); ++screen) {
      const auto fields = ModePageFields(row.page_code, screen, page);
      t += StrFormat("%02xh screen %u: %zu fields%s\n", row.page_code, screen, fields.size(),
                     HasNumberField(fields) ? ", numbers" : "");
    }
  }
  t += StrFormat("08h, no such page: %zu fields\n", ModePageFields(0x08, 0, page).size());
  testing::ExpectGoldenFile("fields_per_screen.txt", t, "decode");
}

// Each run of page screens against its golden file, its steps those of the file.
// fields_page_length: screen 5 of page 2Ah follows the page length: shorter than the fixed fields
// no rows, then one per descriptor block. fields_numbers_and_choices: four-byte fields with all
// 32 bits (in hex); a value no choice names shown as its number and kept (a named one keeps the
// upper bits of its byte), for the reporting method, the write type and the loading mechanism;
// audio ports keep the upper bits of their byte. fields_text: one field collected leaves the
// other fields' bytes alone (a text box with a NUL inside, which collecting every field clears);
// text fields store at most their length and clear the rest; bytes beyond ASCII come back
// unchanged.
TEST(ModePageFields, EachTranscript) {
  for (const char* golden : {"fields_page_length", "fields_numbers_and_choices", "fields_text"}) {
    ExpectFieldsTranscript(golden, testing::StepsOf(golden));
  }
}

// A value no entry names adds one entry of its own to its list, once.
TEST(ModePageFields, AnUnnamedValueAddsOneEntry) {
  std::array<std::uint8_t, 100> page{};
  page[3] = 0x33;
  const auto unnamed = ModePageFields(0x1C, 0, page);
  EXPECT_EQ(unnamed[4].choices.size(), 3u);
  EXPECT_EQ(ModePageFields(0x1C, 0, page)[4].choices.data(), unnamed[4].choices.data());
  page[3] = 0x34;
  EXPECT_EQ(ModePageFields(0x1C, 0, page)[4].choices.size(), 2u);
}

}  // namespace
}  // namespace tamarack
