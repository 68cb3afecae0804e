#include <gtest/gtest.h>

#include <utility>

#include "console/cdb_text.h"
#include "console/console.h"
#include "decode/basic_commands.h"
#include "form/form_layout.h"
#include "form/number_box.h"
#include "util/strings.h"

namespace tamarack {
namespace {

TEST(NumberBox, HexAndDecimalEntry) {
  constexpr std::uint32_t kBad = 0xFFFFFFFF;
  // Hexadecimal: nine digits, a non-digit, a blank or a prefix set all bits.
  const std::pair<const char*, std::uint32_t> hex[] = {
      {"", 0},      {"a", 0xA},   {"DeAdBeEf", 0xDEADBEEF}, {"123456789", kBad}, {"1g", kBad},
      {" 1", kBad}, {"0x1", kBad}};
  for (const auto& [text, value] : hex) EXPECT_EQ(ParseNumberText(text, true), value) << text;
  // Decimal: the leading number, never wrapping around beyond 32 bits.
  const std::pair<const char*, std::uint32_t> decimal[] = {
      {"", 0},      {"123abc", 123}, {"abc", 0},           {"1A", 1},
      {"  42", 42}, {"-1", kBad},    {"4294967295", kBad}, {"4294967296", kBad}};
  for (const auto& [text, value] : decimal) EXPECT_EQ(ParseNumberText(text, false), value) << text;
  EXPECT_EQ(ParseNumberText(std::string(23, '9'), false), kBad);
}

TEST(NumberBox, FormatsAndMasksBySize) {
  EXPECT_EQ(FormatNumberText(10, true), "a");
  EXPECT_EQ(FormatNumberText(10, false), "10");
  EXPECT_EQ(FormatNumberText(0xFFFFFFFFu, false), "-1");
  EXPECT_EQ(MaskToSize(0x12345678u, NumberSize::kOne), 0x78u);
  EXPECT_EQ(MaskToSize(0x12345678u, NumberSize::kTwo), 0x5678u);
  EXPECT_EQ(MaskToSize(0x12345678u, NumberSize::kFour), 0x12345678u);
}

TEST(NumberBox, SpinStopsAtItsLimits) {
  EXPECT_EQ(SpinStep(255, true, 0, 255), 255u);
  EXPECT_EQ(SpinStep(254, true, 0, 255), 255u);
  EXPECT_EQ(SpinStep(0, false, 0, 255), 0u);
  EXPECT_EQ(SpinStep(5, false, 5, 255), 5u);
  EXPECT_EQ(SpinStep(6, false, 5, 255), 5u);
  EXPECT_EQ(SpinStep(0xFFFFFFFFu, true, 0, 0), 0xFFFFFFFFu);  // no limit, no wrap
  EXPECT_EQ(SpinStep(7, true, 0, 0), 8u);

  const FieldDescriptor one = NumberField("b", BigEndian(1, 1), NumberSize::kOne);
  EXPECT_EQ(SpinField(one, "255", true, false), "255");
  EXPECT_EQ(SpinField(one, "0", false, false), "0");
  EXPECT_EQ(SpinField(one, "fe", true, true), "ff");
  const FieldDescriptor four = NumberField("l", BigEndian(2, 4), NumberSize::kFour);
  EXPECT_EQ(SpinField(four, "7fffffff", true, true), "7fffffff");
  const FieldDescriptor limited = NumberField("n", BigEndian(2, 2), NumberSize::kTwo).Spin(0, 1024);
  EXPECT_EQ(SpinField(limited, "1024", true, false), "1024");
  EXPECT_EQ(SpinField(limited, "1023", true, false), "1024");
}

TEST(FieldLocation, ReadsAndWritesBitsBigEndianAndAccessors) {
  FormData d;
  d.cdb = {0x28, 0x18, 0x12, 0x34, 0x56, 0x78, 0x00, 0x00, 0x10};
  EXPECT_EQ(ReadField(Bit(1, 4), d), 1u);
  EXPECT_EQ(ReadField(Bit(1, 0), d), 0u);
  EXPECT_EQ(ReadField(Bits(1, 3, 2), d), 3u);
  EXPECT_EQ(ReadField(BigEndian(2, 4), d), 0x12345678u);
  EXPECT_EQ(ReadField(BigEndian(6, 3), d), 0x10u);
  WriteField(Bit(1, 4), 0, d);
  EXPECT_EQ(d.cdb[1], 0x08);
  WriteField(Bits(9, 6, 2), 3, d);
  EXPECT_EQ(d.cdb[9], 0xC0);
  d.cdb[9] = 0x3F;
  WriteField(Masked(9, 0xC0), 0x40, d);
  EXPECT_EQ(d.cdb[9], 0x7F);
  EXPECT_EQ(ReadField(Masked(9, 0xC0), d), 0x40u);
  WriteField(BigEndian(7, 2), 0x12345, d);  // cut to the field
  EXPECT_EQ(d.cdb[6], 0x00);
  EXPECT_EQ(d.cdb[7], 0x23);
  EXPECT_EQ(d.cdb[8], 0x45);
  // Outside the buffer: reads 0, writes nothing.
  EXPECT_EQ(ReadField(BigEndian(11, 4), d), 0u);
  WriteField(BigEndian(11, 4), 0xAABBCCDD, d);
  EXPECT_EQ(d.cdb[11], 0xAA);
  EXPECT_EQ(ReadField(Bit(3, 0, FieldBuffer::kParameter), d), 0u);
  WriteField(Bit(3, 0, FieldBuffer::kParameter), 1, d);
  EXPECT_TRUE(d.parameter.empty());
  d.parameter.assign(8, 0);
  WriteField(BigEndian(6, 2, FieldBuffer::kParameter), 0x0101, d);
  EXPECT_EQ(d.parameter[7], 0x01);
  const auto loc = Accessor([](const FormData& x) { return static_cast<std::uint32_t>(x.length); },
                            [](FormData& x, std::uint32_t v) { x.length = v; });
  WriteField(loc, 77, d);
  EXPECT_EQ(ReadField(loc, d), 77u);
}

// A form in the shape of a read command, to exercise the generic machinery.
constexpr Choice kTypes[] = {{"LBA", 0x00}, {"MSF", 0x40}, {"TNO", 0x80}};
bool DpoOn(const FormData& d) { return (d.cdb[1] & 0x10) != 0; }
std::string Note(const FormData& d) { return d.cdb[1] & 0x08 ? "FUA set" : "FUA clear"; }
const FieldDescriptor kTestFields[] = {
    CheckField("DPO", Bit(1, 4)),
    CheckField("FUA", Bit(1, 3)),
    StartPositionField("Logical Block Address", BigEndian(2, 4)),
    NumberField("Transfer Length", BigEndian(7, 2), NumberSize::kFour).FilledFrom(BigEndian(6, 3)),
    ChoiceField("Type", Masked(9, 0xC0), kTypes),
    MsfField("Starting MSF", BigEndian(3, 1)).When(&DpoOn),
    NoteField("Action", &Note),
};

TEST(Form, FillsFromTheSourceAndCollectsBack) {
  FormData source;
  source.cdb = {0x28, 0x18, 0, 0, 0x10, 0x00, 0x01, 0x00, 0x20, 0x40};
  std::vector<FieldState> s = FillFields(kTestFields, source, false);
  ASSERT_EQ(s.size(), 7u);
  EXPECT_TRUE(s[0].checked);
  EXPECT_TRUE(s[1].checked);
  EXPECT_EQ(s[2].text, "4096");
  EXPECT_EQ(s[3].text, "65568");  // filled from bytes 6-8
  EXPECT_EQ(s[4].choice, 1);
  EXPECT_EQ(s[5].msf, (std::array<std::string, 3>{"00", "16", "00"}));
  EXPECT_TRUE(s[5].enabled);

  FormData current;
  current.cdb[0] = 0x28;
  s[1].checked = false;
  s[3].text = "16";
  s[4].choice = 2;
  s[5].msf = {"01", "02", "03"};
  CollectFields(kTestFields, s, current, false);
  EXPECT_EQ(current.cdb, (Cdb{0x28, 0x10, 0, 0x01, 0x02, 0x03, 0, 0x00, 0x10, 0x80}));
  EXPECT_EQ(s[6].text, "FUA clear");

  // A disabled field is not collected.
  s[0].checked = false;
  s[5].msf = {"09", "09", "09"};
  CollectFields(kTestFields, s, current, false);
  EXPECT_FALSE(s[5].enabled);
  // Bytes 3-5 hold what the address box wrote, not the MSF boxes.
  EXPECT_EQ(current.cdb[3], 0x00);
  EXPECT_EQ(current.cdb[4], 0x10);
  EXPECT_EQ(current.cdb[5], 0x00);
}

TEST(Form, AValueOutsideTheChoicesLeavesNoSelectionAndTheFieldAlone) {
  FormData source;
  source.cdb[9] = 0xC0;
  std::vector<FieldState> s = FillFields(kTestFields, source, false);
  EXPECT_EQ(s[4].choice, -1);
  FormData current = source;
  CollectFields(kTestFields, s, current, false);
  EXPECT_EQ(current.cdb[9], 0xC0);
}

TEST(Form, BaseSwitchRewritesNumberBoxes) {
  FormData source;
  source.cdb[5] = 10;
  std::vector<FieldState> s = FillFields(kTestFields, source, false);
  EXPECT_EQ(s[2].text, "10");
  RebaseFields(kTestFields, s, false, true);
  EXPECT_EQ(s[2].text, "a");
  EXPECT_EQ(FillFields(kTestFields, source, true)[2].text, "a");
  RebaseFields(kTestFields, s, true, false);
  EXPECT_EQ(s[2].text, "10");
  EXPECT_TRUE(HasNumberField(kTestFields));
}

TEST(CdbText, LineAndBoxParsing) {
  const Cdb cdb = {0x12, 0, 0, 0, 0xFF};
  EXPECT_EQ(CdbLine(cdb), "12 00 00 00 ff 00 00 00 00 00 00 00 ");
  EXPECT_EQ(ParseCdbBoxText(CdbLine(cdb)).cdb, cdb);
  EXPECT_EQ(ParseCdbBoxText("28 00 00 00 00 10 00 00 01 00 00 00").cdb,
            (Cdb{0x28, 0, 0, 0, 0, 0x10, 0, 0, 1}));
  // Short texts: the bytes not typed are 0; a single digit is one byte, nothing shifts.
  EXPECT_EQ(ParseCdbBoxText("AB").cdb, (Cdb{0xAB}));
  EXPECT_EQ(ParseCdbBoxText("").cdb, Cdb{});
  EXPECT_EQ(ParseCdbBoxText(" 28 0 0 0 0 10 ").cdb, (Cdb{0x28, 0, 0, 0, 0, 0x10}));
  EXPECT_EQ(ParseCdbBoxText("2800000000\t10").cdb, (Cdb{0x28, 0, 0, 0, 0, 0x10}));
}

TEST(CdbText, ATypoRefusesTheBoxAndSaysWhere) {
  struct Case {
    const char* text;
    std::size_t stop;
  } const kCases[] = {
      {"28 0g 00", 4},                                 // not a digit
      {"zz 1", 0},                                     // not a digit at the start
      {"28 000 00", 3},                                // three digits: not whole bytes
      {"00 00 00 00 00 00 00 00 00 00 00 00 01", 36},  // a 13th byte
      {"000000000000000000000000 01", 25},
  };
  for (const Case& c : kCases) {
    const CdbBoxParse r = ParseCdbBoxText(c.text);
    EXPECT_FALSE(r.cdb.has_value()) << c.text;
    EXPECT_EQ(r.stop, c.stop) << c.text;
    EXPECT_NE(r.error.find(std::to_string(c.stop + 1)), std::string::npos) << r.error;
  }
}

TEST(ConsoleForm, TestUnitReadyWithoutTheControlByteRowIsParameterless) {
  Console c;
  c.options.execute_on_selection = true;
  EXPECT_TRUE(c.SelectRow(0));
  EXPECT_TRUE(c.no_parameter());
  EXPECT_TRUE(c.parameterless());
  EXPECT_TRUE(c.fields().empty());
  EXPECT_FALSE(c.has_number_fields());
  EXPECT_EQ(c.CdbLine(), "00 00 00 00 00 00 00 00 00 00 00 00 ");
  // Not from the list (a tab shown again): no execution.
  EXPECT_FALSE(c.SelectRow(0, false));
  c.options.execute_on_selection = false;
  EXPECT_FALSE(c.SelectRow(0));
}

TEST(ConsoleForm, TheControlByteRowMakesAFormEditable) {
  Console c;
  c.options.execute_on_selection = true;
  c.options.show_control_byte = true;
  c.catalogue().row(0).cdb_store[5] = 0x40;
  EXPECT_FALSE(c.SelectRow(0));
  EXPECT_FALSE(c.parameterless());
  ASSERT_EQ(c.fields().size(), 1u);
  EXPECT_STREQ(c.fields()[0].label, "Control Byte");
  EXPECT_EQ(c.field_states()[0].text, "64");
  FieldState s = c.field_states()[0];
  s.text = "128";
  c.UpdateField(0, s);
  EXPECT_EQ(c.current_cdb()[5], 0x80);
  EXPECT_EQ(c.catalogue().row(0).cdb_store[5], 0x80);
  // Stop Play/Scan is a 10-byte command: byte 9.
  c.SelectRow(25);
  FieldState t = c.field_states()[0];
  t.text = "300";  // a one-byte box keeps the low byte
  c.UpdateField(0, t);
  EXPECT_EQ(c.CdbLine(), "4e 00 00 00 00 00 00 00 00 2c 00 00 ");
  c.SpinField(0, true);
  EXPECT_EQ(c.current_cdb()[9], 0x2D);
}

}  // namespace
}  // namespace tamarack
