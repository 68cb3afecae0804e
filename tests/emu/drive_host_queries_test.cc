// What the kernel's sr driver, udev and libcdio ask a CD drive at attach and read time: Mode
// Sense(6), Read Disc Information, Read Track Information and the vital product data pages of
// Inquiry (Mode Select(6) is with Mode Select(10) in drive_mode_pages_test.cc).
#include <gtest/gtest.h>

#include "emu/drive_harness.h"
#include "emu/mode_pages.h"
#include "emu/resid_modes.h"
#include "golden.h"
#include "util/strings.h"

namespace tamarack::emu::testing {
namespace {

// Bad fields and a missing medium: check conditions that transfer nothing.
TEST(VirtualDriveHostQueries, BadFieldsAndMissingMedium) {
  DriveHarness("emu:type13")
      .ExpectTranscript(
          "host_query_errors_type13",
          {"51 01 00 00 00 00 00 00 22 / in 255 # data type 001b",
           "52 00 00 05 14 c8 00 00 24 / in 255 # lead-out",
           "52 00 ff ff ff 00 00 00 24 / in 255 # lead-in", "52 01 00 00 00 00 00 00 24 / in 255",
           "52 01 00 00 00 aa 00 00 24 / in 255", "52 03 00 00 00 01 00 00 24 / in 255 # 11b",
           "12 00 80 00 ff / in 255 # a page without EVPD", "12 01 81 00 ff / in 255",
           "1a 00 08 00 ff / in 255 # unknown mode page", "1a 00 0e 01 ff / in 255 # a subpage"});
  DriveHarness("emu:type13?nomedium")
      .ExpectTranscript("host_query_errors_no_medium", {"51 00 00 00 00 00 00 00 22 / in 255"});
  DriveHarness("emu:audio?tray=open")
      .ExpectTranscript("host_query_errors_tray_open", {"52 01 00 00 00 01 00 00 24 / in 255"});
  DriveHarness("emu:audio")
      .ExpectTranscript("host_query_errors_audio",
                        {"52 01 00 00 00 06 00 00 24 / in 255 # past the last track",
                         "52 01 00 00 01 01 00 00 24 / in 255 # 257, 1 in the low byte",
                         "ad 00 00 00 00 00 00 00 08 04 / in 255"});
  DriveHarness("emu:multisession")
      .ExpectTranscript("host_query_errors_multisession",
                        {"52 00 00 00 30 00 00 00 24 / in 255 # between the sessions",
                         "52 02 00 00 00 00 00 00 24 / in 255 # session 0",
                         "52 02 00 00 00 03 00 00 24 / in 255"});
}

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

// Each new command cut by its allocation length, on every path: the bytes sent are the head of
// the whole reply, and the header still tells the whole length.
class HostQueryResid : public tamarack::testing::ResidModeTest {};

TEST_P(HostQueryResid, AllocationLengthCutsTheReply) {
  const Cdb cdbs[] = {MakeCdb({0x1A, 0, 0x3F, 0, 9}), MakeCdb({0x51, 0, 0, 0, 0, 0, 0, 0, 9}),
                      MakeCdb({0x52, 1, 0, 0, 0, 4, 0, 0, 9}), MakeCdb({0x12, 1, 0x83, 0, 9})};
  DriveHarness whole("emu:multisession");
  DriveHarness h(Id("emu:multisession"));
  for (Cdb cdb : cdbs) {
    SCOPED_TRACE(cdb[0]);
    Cdb full = cdb;
    full[cdb[0] == 0x1A || cdb[0] == 0x12 ? 4 : 8] = 0xFF;
    const Reply all = whole.In(full, 255);
    const Reply cut = h.In(cdb, 64);
    ASSERT_TRUE(cut.good()) << cut.status_line;
    EXPECT_EQ(cut.at(0, 9), Bytes(all.data.begin(), all.data.begin() + 9));
    EXPECT_GT(all.transferred, 9u);
    const bool whole_buffer = GetParam() == "none" || GetParam() == "zero";
    EXPECT_EQ(cut.transferred, whole_buffer ? 64u : 9u);
    EXPECT_EQ(cut.data[9], GetParam() == "zero" ? 0x00 : 0x5A);
  }
}

TAMARACK_ON_EVERY_RESID_MODE(HostQueryResid);

}  // namespace
}  // namespace tamarack::emu::testing
