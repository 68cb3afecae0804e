#include "decode/mode_page_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "golden.h"
#include "util/strings.h"

namespace tamarack {
namespace {

// Every Mode Select template (its code, length byte and values: the audio ports at full
// volume) as far as its length byte says, in tests/data/decode/mode_select_templates.txt; none
// marked for sending. Mode Sense buffers start empty; Find ignores the PS bit and misses
// unknown pages.
TEST(ModePageTable, TemplatesAndFind) {
  std::string t;
  const ModePageTable select = ModePageTable::ModeSelect();  // kept: rows() points into it
  for (const ModePageRow& r : select.rows()) {
    t += StrFormat("%02xh of %u bytes%s: ", r.page_code, r.page_length, r.send ? " sent" : "") +
         HexBytes(std::span(r.buffer).first(std::min<std::size_t>(r.buffer[1] + 2u, 100))) + "\n";
  }
  testing::ExpectGoldenFile("mode_select_templates.txt", t, "decode");
  const ModePageTable sense = ModePageTable::ModeSense();
  for (const ModePageRow& r : sense.rows()) EXPECT_EQ(r.buffer[0], 0);
  EXPECT_EQ(sense.Find(0x81), sense.Find(0x01));
  EXPECT_EQ(sense.Find(0x01), std::optional<std::size_t>(1));
  EXPECT_FALSE(sense.Find(0x08).has_value());
  EXPECT_FALSE(ModePageTable::ModeSelect().Find(0x3F).has_value());
  // Every page the files written so far hold by row still has a row of its own.
  for (const ModePageTable* table : {&sense, &select}) {
    for (std::uint32_t code : SavedRowCodes(table->kind())) {
      EXPECT_TRUE(table->Find(code)) << code;
    }
  }
}

TEST(ModePageTable, SavedRowsHoldThePageAndTheByteAfterIt) {
  ModePageTable t = ModePageTable::ModeSelect();
  std::vector<std::uint8_t> saved(kModePageSavedBytes, 0);
  for (std::size_t i = 0; i < saved.size(); ++i) saved[i] = static_cast<std::uint8_t>(i + 1);
  t.LoadSavedRow(0, saved);
  EXPECT_EQ(t.row(0).buffer[0], 1);
  EXPECT_EQ(t.row(0).buffer[99], 100);
  EXPECT_EQ(t.row(0).byte_after, 101);
  const auto back = t.SavedRow(0);
  EXPECT_TRUE(std::equal(back.begin(), back.end(), saved.begin()));
  // A short saved row changes only the bytes it has; the byte after stays.
  const std::vector<std::uint8_t> short_row = {0xAA, 0xBB};
  t.LoadSavedRow(0, short_row);
  EXPECT_EQ(t.row(0).buffer[0], 0xAA);
  EXPECT_EQ(t.row(0).buffer[2], 3);
  EXPECT_EQ(t.row(0).byte_after, 101);
  // Rows beyond the table are ignored, also when saved.
  t.LoadSavedRow(9, saved);
  EXPECT_EQ(t.SavedRow(9), (std::array<std::uint8_t, kModePageSavedBytes>{}));
  // A fresh table saves a zero byte after its template.
  EXPECT_EQ(ModePageTable::ModeSelect().SavedRow(2)[100], 0);
}

}  // namespace
}  // namespace tamarack
