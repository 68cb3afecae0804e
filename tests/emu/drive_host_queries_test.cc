// Mode Sense(6) as the kernel's sr driver asks it, and the serial number page of Inquiry.
#include <gtest/gtest.h>

#include "emu/drive_harness.h"
#include "emu/mode_pages.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack::emu::testing {
namespace {

// Mode Sense(6) of `page` with page control `pc`, DBD as given; the reply's pages.
std::vector<std::uint8_t> Pages6(DriveHarness& h, std::uint8_t page, int pc, bool dbd) {
  const Reply r = h.In({0x1A, static_cast<std::uint8_t>(dbd ? 0x08 : 0),
                        static_cast<std::uint8_t>(pc << 6 | page), 0, 0xFF},
                       255);
  EXPECT_TRUE(r.good()) << r.status_line;
  EXPECT_EQ(r.transferred, std::size_t{r.data[0]} + 1);
  const auto b = r.bytes();
  return std::vector<std::uint8_t>(b.begin() + 4 + b[3], b.end());
}

std::vector<std::uint8_t> Pages10(DriveHarness& h, std::uint8_t page, int pc, bool dbd) {
  const Reply r = h.In({0x5A, static_cast<std::uint8_t>(dbd ? 0x08 : 0),
                        static_cast<std::uint8_t>(pc << 6 | page), 0, 0, 0, 0, 0x01, 0},
                       256);
  EXPECT_TRUE(r.good()) << r.status_line;
  const auto b = r.bytes();
  return std::vector<std::uint8_t>(b.begin() + 8 + Be16(b, 6), b.end());
}

TEST(VirtualDriveModeSense6, GivesTheSamePagesAsModeSense10) {
  for (const char* id : {"emu:type30", "emu:audio?model=modern"}) {
    DriveHarness h(id);
    const Reply six = h.In({0x1A, 0, 0x3F, 0, 0xFF}, 255);
    const Reply ten = h.In({0x5A, 0, 0x3F, 0, 0, 0, 0, 0x01, 0}, 256);
    EXPECT_EQ(six.data[1], ten.data[2]);  // medium type
    EXPECT_EQ(six.data[3], Be16(ten.data, 6)) << id;
    std::vector<std::uint8_t> pages = ModePages().Codes();
    pages.push_back(kAllPages);
    for (std::uint8_t page : pages) {
      for (int pc = 0; pc < 4; ++pc) {
        for (bool dbd : {false, true}) {
          EXPECT_EQ(Pages6(h, page, pc, dbd), Pages10(h, page, pc, dbd))
              << id << " page " << int{page} << " pc " << pc << " dbd " << dbd;
        }
      }
    }
  }
}

TEST(VirtualDriveInquiry, SerialNumberBelongsToTheId) {
  const auto serial = [](const char* id) {
    DriveHarness h(id);
    return h.In({0x12, 1, 0x80, 0, 0xFF}, 255).bytes();
  };
  EXPECT_EQ(serial("emu:audio"), serial("emu:audio"));
  EXPECT_NE(serial("emu:audio"), serial("emu:audio?model=modern"));
  const auto given = serial("emu:audio?serial=X1");
  EXPECT_EQ(given, (Bytes{0x05, 0x80, 0, 2, 'X', '1'}));
  DriveHarness bad("emu:audio?serial=a b");
  EXPECT_FALSE(bad.opened);
}

}  // namespace
}  // namespace tamarack::emu::testing
