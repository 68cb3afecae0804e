#include "decode/mode_page_fields.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "decode/mode_page_table.h"

namespace tamarack {
namespace {

using Page = std::array<std::uint8_t, 100>;

std::vector<std::string> Labels(const std::vector<FieldDescriptor>& fields) {
  std::vector<std::string> labels;
  for (const FieldDescriptor& f : fields) labels.push_back(f.label);
  return labels;
}

FormData Data(const Page& page) {
  FormData d;
  d.parameter.assign(page.begin(), page.end());
  return d;
}

std::size_t IndexOf(const std::vector<FieldDescriptor>& fields, const std::string& label) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (label == fields[i].label) return i;
  }
  ADD_FAILURE() << "no field " << label;
  return 0;
}

TEST(ModePageFields, CapabilitiesScreen5FollowsThePageLength) {
  Page page{};
  page[0] = 0x2A;
  // The rows follow the page length: the two fixed ones, then one per descriptor block.
  const std::vector<std::string> all{"Current Write Speed Selected",
                                     "Write Speed Performance Descriptor Tables",
                                     "Block #1",
                                     "Block #2",
                                     "Block #3",
                                     "Block #4"};
  // Shorter than the fixed fields: no rows at all.
  const std::pair<int, int> cases[] = {{0, 0},  {28, 0}, {31, 0}, {32, 2},
                                       {36, 3}, {47, 5}, {48, 6}};
  for (const auto& [length, rows] : cases) {
    page[1] = static_cast<std::uint8_t>(length);
    EXPECT_EQ(Labels(ModePageFields(0x2A, 4, page)),
              std::vector<std::string>(all.begin(), all.begin() + rows))
        << length;
  }
}

TEST(ModePageFields, EveryPageAndScreen) {
  const Page page{};
  // Every screen of every page has fields; 3Fh, screens a page does not have and unknown
  // pages have none.
  const ModePageTable table = ModePageTable::ModeSense();
  for (const ModePageRow& row : table.rows()) {
    for (std::uint32_t screen = 0; screen < row.screen_count; ++screen) {
      if (row.page_code == 0x2A && screen == 4) continue;  // follows the page length, below
      EXPECT_EQ(ModePageFields(row.page_code, screen, page).empty(), row.page_code == 0x3F)
          << std::hex << row.page_code << " " << screen;
    }
  }
  EXPECT_TRUE(ModePageFields(0x01, 1, page).empty());  // a screen the page does not have
  EXPECT_TRUE(ModePageFields(0x05, 3, page).empty());
  EXPECT_TRUE(ModePageFields(0x08, 0, page).empty());
  // Only screens with number boxes show the hex input switch.
  EXPECT_FALSE(HasNumberField(ModePageFields(0x2A, 1, page)));
  EXPECT_TRUE(HasNumberField(ModePageFields(0x2A, 0, page)));
}

TEST(ModePageFields, FourByteFieldsAreReadAndWrittenWith32Bits) {
  Page page{};
  for (std::size_t i = 4; i < 12; ++i) page[i] = 0xFF;  // Interval Timer, Report Count
  const auto fields = ModePageFields(0x1C, 0, page);
  FormData d = Data(page);
  auto states = FillFields(fields, d, true);
  const std::size_t timer = IndexOf(fields, "Interval Timer");
  EXPECT_EQ(states[timer].text, "ffffffff");
  CollectFields(fields, states, d, true);
  EXPECT_EQ(d.parameter, Data(page).parameter);
  states[timer].text = "f1234567";
  CollectFields(fields, states, d, true);
  EXPECT_EQ(d.parameter[4], 0xF1);
  EXPECT_EQ(d.parameter[7], 0x67);
  EXPECT_EQ(d.parameter[8], 0xFF);
}

TEST(ModePageFields, AReportingMethodTheListDoesNotNameIsShownAsItsNumberAndKept) {
  Page page{};
  page[3] = 0x33;
  const auto fields = ModePageFields(0x1C, 0, page);
  ASSERT_EQ(fields[4].kind, FieldKind::kChoice);
  EXPECT_STREQ(fields[4].label, "");
  ASSERT_EQ(fields[4].choices.size(), 3u);
  FormData d = Data(page);
  auto states = FillFields(fields, d, false);
  ASSERT_EQ(states[4].choice, 2);
  EXPECT_STREQ(fields[4].choices[2].text, "(03h)");
  CollectFields(fields, states, d, false);
  EXPECT_EQ(d.parameter[3], 0x33);
  // The named ones: their two choices only; choosing "0h" keeps the upper bits.
  page[3] = 0x34;
  const auto named = ModePageFields(0x1C, 0, page);
  EXPECT_EQ(named[4].choices.size(), 2u);
  states = FillFields(named, Data(page), false);
  EXPECT_EQ(states[4].choice, 1);
  states[4].choice = 0;
  d = Data(page);
  CollectFields(named, states, d, false);
  EXPECT_EQ(d.parameter[3], 0x30);
}

TEST(ModePageFields, EveryChoiceOffersAnUnnamedStoredValueAsItsNumber) {
  // Page 05h: a write type of 0Ch and a loading mechanism of 7 (page 2Ah) that no entry names.
  Page page{};
  page[2] = 0x0C;
  const auto fields = ModePageFields(0x05, 0, page);
  const std::size_t type = IndexOf(fields, "Write Type Field");
  const auto states = FillFields(fields, Data(page), false);
  ASSERT_GE(states[type].choice, 0);
  EXPECT_STREQ(fields[type].choices[static_cast<std::size_t>(states[type].choice)].text, "(0ch)");
  // The same list twice: one list kept, not one per call.
  EXPECT_EQ(ModePageFields(0x05, 0, page)[type].choices.data(), fields[type].choices.data());
  Page caps{};
  caps[1] = 28;
  caps[6] = 0xE0;
  bool found = false;
  for (std::uint32_t screen = 0; screen < 5 && !found; ++screen) {
    const auto f = ModePageFields(0x2A, screen, caps);
    for (std::size_t i = 0; i < f.size(); ++i) {
      if (std::string_view(f[i].label) != "Loading Mechanism Type") continue;
      found = true;
      const auto st = FillFields(f, Data(caps), false);
      ASSERT_GE(st[i].choice, 0);
      EXPECT_STREQ(f[i].choices[static_cast<std::size_t>(st[i].choice)].text, "(e0h)");
    }
  }
  EXPECT_TRUE(found);
}

TEST(ModePageFields, CollectingOneFieldLeavesTheOthersBytesAlone) {
  // A text field whose bytes do not read back as text (a NUL inside), and a timer: an edit of
  // another field writes neither.
  Page page{};
  page[17] = '1';
  page[19] = '3';  // byte 18 is zero: the box shows "1"
  const auto fields = ModePageFields(0x05, 2, page);
  FormData d = Data(page);
  auto states = FillFields(fields, d, false);
  const std::size_t aframe = IndexOf(fields, "AFRAME");
  states[aframe].text = "12";
  CollectField(fields, states, aframe, d, false);
  EXPECT_EQ(d.parameter[31], 12);
  EXPECT_EQ(d.parameter[19], '3');
  // Every field at once, as before, clears what the text box does not show.
  CollectFields(fields, states, d, false);
  EXPECT_EQ(d.parameter[19], 0);
}

TEST(ModePageFields, TextFieldsClearTheirBytesAndStoreAtMostTheirLength) {
  Page page{};
  for (std::size_t i = 17; i <= 31; ++i) page[i] = 0x39;
  const auto fields = ModePageFields(0x05, 2, page);
  FormData d = Data(page);
  auto states = FillFields(fields, d, false);
  const std::size_t mcn = IndexOf(fields, "Media Catalog Number");
  EXPECT_EQ(states[mcn].text, "9999999999999");  // 13 characters, never byte 30 or on
  EXPECT_EQ(states[IndexOf(fields, "AFRAME")].text, "57");
  states[mcn].text = "12345";
  CollectFields(fields, states, d, false);
  EXPECT_EQ(d.parameter[17], '1');
  EXPECT_EQ(d.parameter[21], '5');
  EXPECT_EQ(d.parameter[22], 0);
  EXPECT_EQ(d.parameter[30], 0);     // cleared too
  EXPECT_EQ(d.parameter[31], 0x39);  // AFRAME kept
  const std::size_t isrc = IndexOf(fields, "International Standard Recording Code");
  states[isrc].text = "ABCDEFGHIJKLMNOP";
  d.parameter[46] = 0x11;
  states[IndexOf(fields, "AFRAME") + 3].text = "17";
  CollectFields(fields, states, d, false);
  EXPECT_EQ(d.parameter[33], 'A');
  EXPECT_EQ(d.parameter[44], 'L');
  EXPECT_EQ(d.parameter[45], 0);
  EXPECT_EQ(d.parameter[46], 17);
  // A byte beyond ASCII comes back unchanged.
  d.parameter[33] = 0xE9;
  states = FillFields(fields, d, false);
  CollectFields(fields, states, d, false);
  EXPECT_EQ(d.parameter[33], 0xE9);
  EXPECT_EQ(d.parameter[34], 'B');
}

TEST(ModePageFields, AudioPortsKeepTheUpperBitsOfTheirByte) {
  Page page{};
  page[8] = 0x01;
  page[9] = 0xFF;
  page[10] = 0x22;  // upper bits are not the channel selection
  const auto fields = ModePageFields(0x0E, 0, page);
  FormData d = Data(page);
  auto states = FillFields(fields, d, false);
  EXPECT_EQ(states[2].choice, 1);
  EXPECT_EQ(states[3].text, "255");
  EXPECT_EQ(states[4].choice, 2);
  states[4].choice = 5;  // channel 3
  CollectFields(fields, states, d, false);
  EXPECT_EQ(d.parameter[10], 0x28);
}

}  // namespace
}  // namespace tamarack
