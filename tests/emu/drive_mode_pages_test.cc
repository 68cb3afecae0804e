// Mode Sense(10), Mode Select(10) and Mode Select(6) of the virtual drive.
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

// The header of a Mode Select(10) list and page 0Eh as read, both ports at full volume.
#define HEADER10 "00 00 00 00 00 00 00 00 "
#define AUDIO_PAGE_0E_UP_TO_PORT_0 "8e 0e 04 00 00 00 00 00 01 "

// Port 0's volume set, read back by each page control (the saved page changes only with SP,
// the defaults never), and still there after the drive is opened again.
TEST(VirtualDriveModeSelect, RoundTripAndSave) {
  DriveHarness h;
  h.ExpectTranscript(
      "mode_select_round_trip",
      {"55 10 00 00 00 00 00 00 18 / out " HEADER10
       "8e 0e 02 00 00 00 00 00 01 80 02 ff 00 00 00 00 # volume 80h, SOTC on, IMMED off",
       "5a 00 0e 00 00 00 00 00 18 / in 24", "5a 00 ce 00 00 00 00 00 18 / in 24 # saved",
       "5a 00 8e 00 00 00 00 00 18 / in 24 # default",
       "55 11 00 00 00 00 00 00 18 / out " HEADER10 AUDIO_PAGE_0E_UP_TO_PORT_0
       "40 02 ff 00 00 00 00 # volume 40h, saved",
       "5a 00 0e 00 00 00 00 00 18 / in 24", "5a 00 ce 00 00 00 00 00 18 / in 24",
       "5a 00 8e 00 00 00 00 00 18 / in 24"});
  // The window reopens the drive; the same unit answers.
  ASSERT_TRUE(h.session.Open("emu:type13?speed=max"));
  EXPECT_EQ(h.In({0x5A, 0, 0x0E, 0, 0, 0, 0, 0, 0x18}, 24).data[8 + 9], 0x40);
}

// Refused lists change nothing (of two pages the good one neither): an unchangeable bit
// (page 0Dh, page 2Ah sent back changed; as read it is fine), a wrong page length, an unknown
// page, a list cut inside a page or shorter than the header, a block descriptor length other
// than 0 or 8 (with 8 the pages follow it), PF clear, saving a page that cannot be saved. The
// same for Mode Select(6) and its 4-byte header, whose change both senses read back (with the
// kernel's block length change: a header and a block descriptor, no pages). Reserved bits
// (PS, the mode data length) the classic model ignores.
TEST(VirtualDriveModeSelect, RefusedListsAndTheSixByteHeader) {
  DriveHarness().ExpectTranscript(
      "mode_select_lists",
      {"55 10 00 00 00 00 00 00 20 / out " HEADER10 AUDIO_PAGE_0E_UP_TO_PORT_0
       "11 02 ff 00 00 00 00 8d 06 00 00 00 32 00 4b",
       "5a 00 0e 00 00 00 00 00 18 / in 24",
       "55 10 00 00 00 00 00 00 26 / out " HEADER10
       "2a 1c 0f 00 71 7f 29 03 21 13 01 00 08 00 21 13 00 00 00 00 00 00 00 01 00 00 00 00 00 00",
       "55 10 00 00 00 00 00 00 26 / out " HEADER10
       "2a 1c 0f 00 70 7f 29 03 21 13 01 00 08 00 21 13 00 00 00 00 00 00 00 01 00 00 00 00 00 00",
       "55 10 00 00 00 00 00 00 16 / out " HEADER10 "8e 0c 04 00 00 00 00 00 01 ff 02 ff 00 00",
       "55 10 00 00 00 00 00 00 0c / out " HEADER10 "08 02 00 00 # unknown page",
       "55 10 00 00 00 00 00 00 15 / out " HEADER10 AUDIO_PAGE_0E_UP_TO_PORT_0 "ff 02 ff 00",
       "55 10 00 00 00 00 00 00 03 / out 00 00 00",
       "55 10 00 00 00 00 00 00 18 / out 00 00 00 00 00 00 00 04 " AUDIO_PAGE_0E_UP_TO_PORT_0
       "ff 02 ff 00 00 00 00",
       "55 10 00 00 00 00 00 00 20 / out 00 00 00 00 00 00 00 08 " HEADER10
           AUDIO_PAGE_0E_UP_TO_PORT_0 "ff 02 ff 00 00 00 00",
       "55 00 00 00 00 00 00 00 18 / out " HEADER10 AUDIO_PAGE_0E_UP_TO_PORT_0
       "ff 02 ff 00 00 00 00 # PF clear",
       "55 11 00 00 00 00 00 00 3c / out " HEADER10
       "05 32 01 04 08 00 00 00 00 00 00 00 00 00 00 96 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
       "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
       "15 11 00 00 14 / out 00 00 00 00 0e 0e 04 00 00 00 00 00 01 40 02 ff 00 00 00 00",
       "1a 08 0e 00 ff / in 255",
       "5a 08 ce 00 00 00 00 00 18 / in 24 # saved",
       "5a 08 8e 00 00 00 00 00 18 / in 24 # default",
       "15 10 00 00 0c / out 00 00 00 08 00 00 00 00 00 00 08 00",
       "15 10 00 00 14 / out 00 00 00 04 0e 0e 04 00 00 00 00 00 01 40 02 ff 00 00 00 00",
       "15 10 00 00 03 / out 00 00 00",
       "15 10 00 00 12 / out 00 00 00 00 0e 0e 04 00 00 00 00 00 01 40 02 ff 00 00",
       "55 10 00 00 00 00 00 00 14 / out " HEADER10 "81 0a 00 05 00 00 00 00 00 00 00 00 # PS",
       "55 10 00 00 00 00 00 00 14 / out 00 12 00 00 00 00 00 00 01 0a 00 05 00 00 00 00 00 00 "
       "00 00 # mode data length 12h"});
}

// The modern model refuses the reserved bits, in either header.
TEST(VirtualDriveModeSelect, TheModernModelRefusesReservedBits) {
  DriveHarness("emu:type13?speed=max&model=modern")
      .ExpectTranscript(
          "mode_select_modern",
          {"55 10 00 00 00 00 00 00 14 / out " HEADER10 "81 0a 00 05 00 00 00 00 00 00 00 00",
           "55 10 00 00 00 00 00 00 14 / out 00 12 00 00 00 00 00 00 01 0a 00 05 00 00 00 00 00 "
           "00 00 00",
           "15 10 00 00 10 / out 10 00 00 00 01 0a 00 05 00 00 00 00 00 00 00 00",
           "55 10 00 00 00 00 00 00 14 / out " HEADER10 "01 0a 00 05 00 00 00 00 00 00 00 00"});
}

}  // namespace
}  // namespace tamarack::emu::testing
