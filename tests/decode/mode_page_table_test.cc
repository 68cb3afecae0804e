#include "decode/mode_page_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamarack {
namespace {

TEST(ModePageTable, ModeSelectTemplates) {
  const ModePageTable select = ModePageTable::ModeSelect();
  for (const ModePageRow& r : select.rows()) {
    EXPECT_EQ(r.buffer[0], r.page_code);
    EXPECT_EQ(r.buffer[1], r.page_length - 2);
    EXPECT_FALSE(r.send);
  }
  const ModePageRow& audio = select.row(*select.Find(0x0E));  // both ports at full volume
  EXPECT_EQ(audio.buffer[9] & audio.buffer[11], 0xFF);
  // Mode Sense buffers start empty.
  const ModePageTable sense = ModePageTable::ModeSense();
  for (const ModePageRow& r : sense.rows()) EXPECT_EQ(r.buffer[0], 0);
}

TEST(ModePageTable, FindIgnoresThePsBitAndMissesUnknownPages) {
  const ModePageTable sense = ModePageTable::ModeSense();
  EXPECT_EQ(sense.Find(0x81), sense.Find(0x01));
  EXPECT_EQ(sense.Find(0x01), std::optional<std::size_t>(1));
  EXPECT_FALSE(sense.Find(0x08).has_value());
  EXPECT_FALSE(ModePageTable::ModeSelect().Find(0x3F).has_value());
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
