#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string_view>
#include <tuple>

#include "console/cdb_text.h"
#include "console/console.h"
#include "console/form_driver.h"
#include "form/form_layout.h"
#include "form/labelled_fields.h"
#include "form/number_box.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack {
namespace {

// Number boxes, each case of tests/data/console/number_boxes.txt: hexadecimal entry (nine
// digits, a non-digit, a blank or a prefix set all bits), decimal (the leading number, never
// wrapping beyond 32 bits), the spin steps at their limits (no limit, no wrap) and the spin of a
// field in its size and base. The formats and masks by size beside them.
TEST(NumberBox, EntryFormatsMasksAndSpin) {
  EXPECT_EQ(FormatNumberText(10, true) + FormatNumberText(10, false), "a10");
  EXPECT_EQ(FormatNumberText(0xFFFFFFFFu, false), "-1");
  EXPECT_EQ(MaskToSize(0x12345678u, NumberSize::kOne), 0x78u);
  EXPECT_EQ(MaskToSize(0x12345678u, NumberSize::kTwo), 0x5678u);
  EXPECT_EQ(MaskToSize(0x12345678u, NumberSize::kFour), 0x12345678u);
  const FieldDescriptor one = NumberField("b", BigEndian(1, 1), NumberSize::kOne);
  const FieldDescriptor four = NumberField("l", BigEndian(2, 4), NumberSize::kFour);
  const FieldDescriptor limited = NumberField("n", BigEndian(2, 2), NumberSize::kTwo).Spin(0, 1024);
  // "hex TEXT", "decimal TEXT" (quoted), "spin VALUE up|down LOWER-UPPER" (in hex, then decimal)
  // or "spin field LABEL TEXT up|down [hex]".
  testing::ExpectEachInput("number_boxes.txt", "console", [&](const std::string& line) {
    const std::size_t open = line.find('"'), close = line.rfind('"');
    const std::string text = open == close ? "" : line.substr(open + 1, close - open - 1);
    std::istringstream in(line);
    std::string verb, word, way;
    in >> verb >> word;
    if (verb != "spin") return StrFormat("%08x", ParseNumberText(text, verb == "hex"));
    if (word == "field") {
      in >> word;
      const std::string rest = line.substr(close + 1);
      return SpinField(word == "b"   ? one
                       : word == "l" ? four
                                     : limited,
                       text, rest.find("up") != rest.npos, rest.find("hex") != rest.npos);
    }
    std::uint32_t lower = 0, upper = 0;
    char dash = 0;
    in >> way >> lower >> dash >> upper;
    return StrFormat("%x", SpinStep(static_cast<std::uint32_t>(std::stoul(word, nullptr, 16)),
                                    way == "up", lower, upper));
  });
}

// Typed text into fields found by label, as the command line and the tests' steps set them:
// what each kind takes, what it refuses (the state then stays as it was), and the text the
// field shows afterwards.
TEST(LabelledFields, TypedTextSetsEachKindOfField) {
  static constexpr Choice kChoices[] = {{"Mode 1", 0x01}, {"Mode 2", 0x02}, {"Audio", 0x40}};
  const FieldDescriptor fields[] = {
      LabelField("Title"),
      CheckField("Immed", Bit(1, 0)),
      ChoiceField("Sector Type", Masked(2, 0x43), kChoices),
      NumberField("Length", BigEndian(3, 2), NumberSize::kTwo),
      NumberField("Count", BigEndian(5, 4), NumberSize::kFour),
  };
  EXPECT_EQ(FieldOfLabel(fields, "Length"), 3u);
  EXPECT_EQ(FieldOfLabel(fields, "length"), std::nullopt);
  EXPECT_EQ(FieldOfLabel(fields, "sector TYPE", true), 2u);
  EXPECT_EQ(FieldOfLabel(fields, "Sector", true), std::nullopt);

  // Each "LABEL=TEXT" of tests/data/console/labelled_fields.txt: accepted or refused (the state
  // then as it was), and the text the field shows afterwards.
  const FormData data;
  testing::ExpectEachInput("labelled_fields.txt", "console", [&](const std::string& line) {
    const std::string label = line.substr(0, line.find('=')), text = line.substr(label.size() + 1);
    const FieldDescriptor& field = fields[*FieldOfLabel(fields, label)];
    FieldState state;
    if (field.kind == FieldKind::kLabel) state.text = field.label;
    const FieldState before = state;
    const std::string error = SetFieldFromText(field, text, state);
    if (!error.empty()) {
      EXPECT_EQ(state, before) << line;
    }
    std::string said = (error.empty() ? "accepted" : "refused: " + error) + ", shows \"" +
                       FieldValueText(field, state, data) + "\"";
    for (std::size_t at = 0; (at = said.find('\n', at)) != std::string::npos; at += 3) {
      said.replace(at, 1, "\n  ");
    }
    return said;
  });
}

// Field locations read and written in turn (a value to write, or none: read only), each with
// the value read back and the buffers after it, in tests/data/console/field_locations.txt:
// bits and masks in their byte, big-endian fields cut to their size, nothing read or written
// outside the buffer (the parameter list empty, then eight bytes), an accessor.
TEST(FieldLocation, ReadsAndWritesBitsBigEndianAndAccessors) {
  FormData d;
  d.cdb = {0x28, 0x18, 0x12, 0x34, 0x56, 0x78, 0x00, 0x00, 0x10, 0x3F};
  const auto length =
      Accessor([](const FormData& x) { return static_cast<std::uint32_t>(x.length); },
               [](FormData& x, std::uint32_t v) { x.length = v; });
  const struct {
    const char* what;
    FieldLocation at;
    std::optional<std::uint32_t> write;
  } steps[] = {{"bit 1.4", Bit(1, 4), {}},
               {"bit 1.0", Bit(1, 0), {}},
               {"bits 1.3-4", Bits(1, 3, 2), {}},
               {"bytes 2-5", BigEndian(2, 4), {}},
               {"bytes 6-8", BigEndian(6, 3), {}},
               {"bit 1.4", Bit(1, 4), 0},
               {"bits 9.6-7", Bits(9, 6, 2), 3},
               {"mask c0 of byte 9", Masked(9, 0xC0), 0x40},
               {"bytes 7-8", BigEndian(7, 2), 0x12345},
               {"bytes 11-14", BigEndian(11, 4), 0xAABBCCDD},
               {"parameter bit 3.0", Bit(3, 0, FieldBuffer::kParameter), 1},
               {"parameter bytes 6-7", BigEndian(6, 2, FieldBuffer::kParameter), 0x0101},
               {"the length", length, 77}};
  std::string t;
  for (const auto& step : steps) {
    if (step.what == std::string_view("parameter bytes 6-7")) d.parameter.assign(8, 0);
    if (step.write) WriteField(step.at, *step.write, d);
    t += StrFormat("%s%s: reads %x, cdb ", step.what,
                   step.write ? StrFormat(" := %x", *step.write).c_str() : "",
                   ReadField(step.at, d)) +
         HexBytes(d.cdb) + "parameter " + HexBytes(d.parameter) + "\n";
  }
  testing::ExpectGoldenFile("field_locations.txt", t, "console");
}

// The generic form machinery is exercised by the command forms' transcripts; what none of
// them shows: an MSF field filled from three bytes, and a field switched off by another not
// collected.
bool DpoOn(const FormData& d) { return (d.cdb[1] & 0x10) != 0; }
const FieldDescriptor kGatedFields[] = {CheckField("DPO", Bit(1, 4)),
                                        MsfField("Starting MSF", BigEndian(3, 1)).When(&DpoOn)};

TEST(Form, AnMsfFieldAndADisabledField) {
  FormData d;
  d.cdb = {0x28, 0x10, 0, 0x01, 0x10, 0x02};
  std::vector<FieldState> s = FillFields(kGatedFields, d, false);
  EXPECT_EQ(s[1].msf, (std::array<std::string, 3>{"01", "16", "02"}));
  EXPECT_TRUE(s[1].enabled);
  s[0].checked = false;
  s[1].msf = {"09", "09", "09"};
  CollectFields(kGatedFields, s, d, false);
  EXPECT_FALSE(s[1].enabled);
  EXPECT_EQ(d.cdb, (Cdb{0x28, 0, 0, 0x01, 0x10, 0x02}));
}

// The CDB box read, each quoted text of tests/data/console/cdb_boxes.txt: the bytes not typed
// are 0, a single digit is one byte and nothing shifts; a typo (not a digit, three digits, a
// 13th byte) refuses the box and says where, counting from 1.
TEST(CdbText, LineAndBoxParsing) {
  EXPECT_EQ(CdbLine({0x12, 0, 0, 0, 0xFF}), "12 00 00 00 ff 00 00 00 00 00 00 00 ");
  testing::ExpectEachInput("cdb_boxes.txt", "console", [](const std::string& quoted) {
    const CdbBoxParse r = ParseCdbBoxText(quoted.substr(1, quoted.size() - 2));
    return r.cdb ? CdbLine(*r.cdb) : StrFormat("stop %zu: ", r.stop) + r.error;
  });
}

// A selection executes only when the option is on, from the list, and the command has no
// fields; the Control Byte row (the window types into it, spins it and shows it in
// hex) writes back into the stored CDB, byte 9 of the 10-byte Stop Play/Scan keeping the low
// byte.
TEST(ConsoleForm, TheControlByteRow) {
  Console c;
  c.options.execute_on_selection = true;
  EXPECT_TRUE(c.SelectRow(0));
  EXPECT_FALSE(c.SelectRow(0, false));
  c.options.show_control_byte = true;
  EXPECT_FALSE(c.SelectRow(0));
  testing::SetText(c, "Control Byte", "128");
  EXPECT_EQ(c.catalogue().row(0).cdb_store[5], 0x80);
  c.SelectRow(testing::RowNamed("Stop Play/Scan"));
  testing::SetText(c, "Control Byte", "300");
  EXPECT_EQ(c.CdbLine(), "4e 00 00 00 00 00 00 00 00 2c 00 00 ");
  c.options = {};
  EXPECT_FALSE(c.SelectRow(0));
}

}  // namespace
}  // namespace tamarack
