// The four ways a path may deliver a data-in reply (resid=exact|none|zero|pad), observed as a
// caller sees them: the transferred count and what is left in the caller's 5Ah-filled buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "emu/drive_harness.h"

namespace tamarack::emu::testing {
namespace {

struct ResidCase {
  const char* name;
  std::initializer_list<std::uint8_t> cdb;
  std::size_t buffer;  // the caller's buffer, larger than the reply
  std::size_t sent;    // reply bytes the drive sends
  std::size_t pad_to;  // where a padding path stops: the allocation length or the buffer
};

// True when every byte of `b` in [from, to) is `value`.
bool AllEqual(const std::vector<std::uint8_t>& b, std::size_t from, std::size_t to,
              std::uint8_t value) {
  return std::all_of(b.begin() + static_cast<std::ptrdiff_t>(from),
                     b.begin() + static_cast<std::ptrdiff_t>(to),
                     [&](std::uint8_t x) { return x == value; });
}

TEST(VirtualDriveResid, EveryModeOverReplyShapes) {
  const ResidCase cases[] = {
      // Inquiry: 96 bytes of 255 allowed, in a 512-byte buffer.
      {"Inquiry", {0x12, 0, 0, 0, 0xFF}, 512, 96, 255},
      // Read(10) of one block into room for 2656 bytes: no allocation length.
      {"Read(10)", {0x28, 0, 0, 0, 0x03, 0xE8, 0, 0, 1}, 2656, 2048, 2656},
      // Read TOC of a one-track disc: 20 bytes of 804 allowed, in a 1024-byte buffer.
      {"Read TOC", {0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24}, 1024, 20, 804},
  };
  // What each command sends, from the exact path.
  DriveHarness exact("emu:type13?speed=max");
  for (const ResidCase& c : cases) {
    const Reply want = exact.In(c.cdb, c.buffer);
    ASSERT_TRUE(want.good()) << c.name;
    ASSERT_EQ(want.transferred, c.sent) << c.name;
    for (const char* mode : {"exact", "none", "zero", "pad"}) {
      SCOPED_TRACE(std::string(c.name) + " resid=" + mode);
      DriveHarness h(std::string("emu:type13?speed=max&resid=") + mode);
      const Reply r = h.In(c.cdb, c.buffer);
      ASSERT_TRUE(r.good()) << r.status_line;
      EXPECT_TRUE(std::equal(want.data.begin(),
                             want.data.begin() + static_cast<std::ptrdiff_t>(c.sent),
                             r.data.begin()));
      const std::string m = mode;
      if (m == "exact") {
        EXPECT_EQ(r.transferred, c.sent);
        EXPECT_TRUE(AllEqual(r.data, c.sent, c.buffer, 0x5A));
      } else if (m == "none") {
        EXPECT_EQ(r.transferred, c.buffer);
        EXPECT_TRUE(AllEqual(r.data, c.sent, c.buffer, 0x5A));
      } else if (m == "zero") {
        EXPECT_EQ(r.transferred, c.buffer);
        EXPECT_TRUE(AllEqual(r.data, c.sent, c.buffer, 0x00));
      } else {
        EXPECT_EQ(r.transferred, c.pad_to);
        EXPECT_TRUE(AllEqual(r.data, c.sent, c.pad_to, 0x00));
        EXPECT_TRUE(AllEqual(r.data, c.pad_to, c.buffer, 0x5A));
      }
    }
  }
}

TEST(VirtualDriveResid, FailuresAndCommandsWithoutData) {
  for (const char* mode : {"exact", "none", "zero", "pad"}) {
    SCOPED_TRACE(mode);
    DriveHarness h(std::string("emu:type13?speed=max&resid=") + mode);
    const std::string m = mode;
    // A read past the end sends nothing; only libata-like paths claim the whole buffer.
    const Reply bad = h.In({0x28, 0, 0, 0x05, 0x15, 0x48, 0, 0, 1}, 2048);
    EXPECT_SENSE(bad, 0x5, 0x21, 0x00);
    EXPECT_EQ(bad.transferred, m == "none" || m == "zero" ? 2048u : 0u);
    EXPECT_EQ(bad.data[0], m == "zero" ? 0x00 : 0x5A);
    // No data phase at all: nothing transferred on any path.
    EXPECT_EQ(h.NoData({0x00}).transferred, 0u);
    // Data out is counted as sent.
    EXPECT_EQ(h.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, 8}, std::vector<std::uint8_t>(8, 0)).transferred,
              8u);
  }
}

}  // namespace
}  // namespace tamarack::emu::testing
