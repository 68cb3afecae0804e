// Mode Sense(10) and Mode Select(10) of the virtual drive.
#include <gtest/gtest.h>

#include "emu/drive_harness.h"
#include "emu/speed_model.h"

namespace tamarack::emu::testing {
namespace {

// Page `code` of the mode sense reply for page control `pc` (0..3), header dropped.
std::vector<std::uint8_t> SensePage(DriveHarness& h, std::uint8_t code, int pc) {
  const Reply r =
      h.In({0x5A, 0, static_cast<std::uint8_t>(pc << 6 | code), 0, 0, 0, 0, 0x01, 0}, 256);
  EXPECT_TRUE(r.good()) << r.status_line;
  EXPECT_EQ(Be16(r.data, 6), 0);  // no block descriptor
  const std::size_t size = std::size_t{r.data.at(9)} + 2;
  return std::vector<std::uint8_t>(r.data.begin() + 8,
                                   r.data.begin() + 8 + static_cast<std::ptrdiff_t>(size));
}

// A Mode Select parameter list of the 8-byte header and `pages`.
std::vector<std::uint8_t> ParameterList(std::initializer_list<std::vector<std::uint8_t>> pages) {
  // Sized first and copied into: GCC 12 warns wrongly about inserts into a small vector.
  std::size_t size = 8;
  for (const auto& p : pages) size += p.size();
  std::vector<std::uint8_t> list(size, 0);
  std::size_t at = 8;
  for (const auto& p : pages) {
    for (std::uint8_t b : p) list[at++] = b;
  }
  return list;
}

Reply Select(DriveHarness& h, const std::vector<std::uint8_t>& list, bool save = false) {
  const auto n = static_cast<std::uint16_t>(list.size());
  return h.Out({0x55, static_cast<std::uint8_t>(save ? 0x11 : 0x10), 0, 0, 0, 0, 0,
                static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)},
               list);
}

TEST(VirtualDriveModeSense, PageLengthsAsTheEditorExpects) {
  DriveHarness h;
  const std::pair<std::uint8_t, std::size_t> pages[] = {{0x01, 12}, {0x05, 52}, {0x0D, 8},
                                                        {0x0E, 16}, {0x1A, 12}, {0x1C, 12},
                                                        {0x1D, 10}, {0x2A, 30}, {0x2C, 6}};
  for (const auto& [code, size] : pages) {
    const auto page = SensePage(h, code, 0);
    EXPECT_EQ(page.size(), size) << std::hex << int{code};
    EXPECT_EQ(page[0] & 0x3F, code);
  }
}

// Page 01h by each page control (current, changeable, default, saved: saveable, the saved
// and default ones as the current); page 2Ah changes nothing; subpage FFh of all pages is
// the same, another one not supported; an unknown page; the allocation length cuts the
// reply, the header tells the whole length. The medium type follows the disc. The modern
// model sends a block descriptor (block length 2048) unless DBD, and PS on saveable pages.
TEST(VirtualDriveModeSense, PageControlsSubpagesAndMediumTypes) {
  DriveHarness().ExpectTranscript(
      "mode_sense_page_controls",
      {"5a 00 01 00 00 00 00 01 00 / in 256", "5a 00 41 00 00 00 00 01 00 / in 256",
       "5a 00 81 00 00 00 00 01 00 / in 256", "5a 00 c1 00 00 00 00 01 00 / in 256",
       "5a 00 6a 00 00 00 00 01 00 / in 256", "5a 00 3f ff 00 00 00 01 00 / in 256",
       "5a 00 0e 01 00 00 00 01 00 / in 256", "5a 00 08 00 00 00 00 00 ff / in 255",
       "5a 00 3f 00 00 00 00 00 0a / in 255"});
  DriveHarness("emu:audio?speed=max")
      .ExpectTranscript("mode_sense_audio", {"5a 00 01 00 00 00 00 00 ff / in 255"});
  DriveHarness("emu:type30?speed=max")
      .ExpectTranscript("mode_sense_mixed", {"5a 00 01 00 00 00 00 00 ff / in 255"});
  DriveHarness("emu:type13?speed=max&model=modern")
      .ExpectTranscript("mode_sense_modern", {"5a 00 2a 00 00 00 00 01 00 / in 256",
                                              "5a 08 01 00 00 00 00 01 00 / in 256 # DBD"});
}

TEST(VirtualDriveModeSelect, RoundTripAndSave) {
  DriveHarness h;
  auto page = SensePage(h, 0x0E, 0);
  ASSERT_EQ(page[9], 0xFF);
  page[9] = 0x80;  // port 0 volume
  page[2] = 0x02;  // SOTC on, IMMED off
  const Reply r = Select(h, ParameterList({page}));
  ASSERT_TRUE(r.good()) << r.status_line;
  EXPECT_EQ(r.transferred, 24u);
  auto now = SensePage(h, 0x0E, 0);
  EXPECT_EQ(now[9], 0x80);
  EXPECT_EQ(now[2], 0x02);
  EXPECT_EQ(SensePage(h, 0x0E, 3)[9], 0xFF);  // not saved
  EXPECT_EQ(SensePage(h, 0x0E, 2)[9], 0xFF);
  page[9] = 0x40;
  ASSERT_TRUE(Select(h, ParameterList({page}), true).good());
  EXPECT_EQ(SensePage(h, 0x0E, 0)[9], 0x40);
  EXPECT_EQ(SensePage(h, 0x0E, 3)[9], 0x40);
  EXPECT_EQ(SensePage(h, 0x0E, 2)[9], 0xFF);  // defaults never change
}

TEST(VirtualDriveModeSelect, PagesPersistAcrossOpens) {
  DriveHarness h;
  auto page = SensePage(h, 0x01, 0);
  page[3] = 0x05;
  ASSERT_TRUE(Select(h, ParameterList({page})).good());
  // The window reopens the drive; the same unit answers.
  ASSERT_TRUE(h.session.Open("emu:type13?speed=max"));
  EXPECT_EQ(SensePage(h, 0x01, 0)[3], 0x05);
}

TEST(VirtualDriveModeSelect, UnchangeableBitIsRejectedAndNothingChanges) {
  DriveHarness h;
  auto audio = SensePage(h, 0x0E, 0);
  audio[9] = 0x11;  // changeable
  auto device = SensePage(h, 0x0D, 0);
  device[5] = 50;  // S units per M unit: not changeable
  Reply r = Select(h, ParameterList({audio, device}));
  EXPECT_SENSE(r, 0x5, 0x26, 0x00);
  EXPECT_EQ(r.status_line, "Error Notified( INVALID FIELD IN PARAMETER LIST).");
  EXPECT_EQ(SensePage(h, 0x0E, 0)[9], 0xFF);  // the good page was not applied either
  // Page 2Ah sent back as read is fine; any change to it is not.
  auto caps = SensePage(h, 0x2A, 0);
  EXPECT_TRUE(Select(h, ParameterList({caps})).good());
  caps[4] ^= 0x01;
  EXPECT_SENSE(Select(h, ParameterList({caps})), 0x5, 0x26, 0x00);
}

TEST(VirtualDriveModeSelect, MalformedLists) {
  DriveHarness h;
  auto page = SensePage(h, 0x0E, 0);
  // Wrong page length.
  auto wrong = page;
  wrong[1] = 0x0C;
  wrong.resize(14);
  EXPECT_SENSE(Select(h, ParameterList({wrong})), 0x5, 0x26, 0x00);
  // Unknown page.
  EXPECT_SENSE(Select(h, ParameterList({{0x08, 0x02, 0, 0}})), 0x5, 0x26, 0x00);
  // Cut inside a page.
  auto list = ParameterList({page});
  list.resize(list.size() - 3);
  EXPECT_SENSE(Select(h, list), 0x5, 0x1A, 0x00);
  // Shorter than the header.
  EXPECT_SENSE(Select(h, {0, 0, 0}), 0x5, 0x1A, 0x00);
  // A block descriptor length other than 0 or 8.
  list = ParameterList({page});
  list[7] = 4;
  EXPECT_SENSE(Select(h, list), 0x5, 0x26, 0x00);
  // With an 8-byte block descriptor the pages follow it.
  list = ParameterList({page});
  list[7] = 8;
  list.insert(list.begin() + 8, 8, 0);
  EXPECT_TRUE(Select(h, list).good());
  // PF clear: not the MMC page format.
  list = ParameterList({page});
  EXPECT_SENSE(h.Out({0x55, 0x00, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(list.size())}, list),
               0x5, 0x24, 0x00);
  // Saving a page that cannot be saved.
  EXPECT_SENSE(Select(h, ParameterList({SensePage(h, 0x05, 0)}), true), 0x5, 0x39, 0x00);
}

TEST(VirtualDriveModeSelect, TheModernModelRefusesReservedBitsTheClassicOneIgnores) {
  const std::vector<std::uint8_t> page = {0x01, 0x0A, 0, 0x05, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<std::uint8_t> with_ps = page;
  with_ps[0] = 0x81;
  std::vector<std::uint8_t> with_length = ParameterList({page});
  with_length[1] = 0x12;
  DriveHarness modern("emu:type13?speed=max&model=modern");
  EXPECT_SENSE(Select(modern, ParameterList({with_ps})), 5, 0x26, 0);
  EXPECT_SENSE(Select(modern, with_length), 5, 0x26, 0);
  EXPECT_TRUE(Select(modern, ParameterList({page})).good());
  DriveHarness classic;
  EXPECT_TRUE(Select(classic, ParameterList({with_ps})).good());
  EXPECT_TRUE(Select(classic, with_length).good());
}

}  // namespace
}  // namespace tamarack::emu::testing
