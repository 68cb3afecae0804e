// Get Configuration of the virtual drive.
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "emu/drive_harness.h"

namespace tamarack::emu::testing {
namespace {

struct Feature {
  int code;
  std::uint8_t flags;  // version, persistent, current
  std::size_t size;    // whole descriptor
  std::size_t at;
};

std::vector<Feature> Walk(const Reply& r) {
  std::vector<Feature> features;
  const std::size_t end = std::size_t{Be32(r.data, 0)} + 4;
  EXPECT_EQ(end, r.transferred);
  for (std::size_t at = 8; at + 4 <= end;) {
    const std::size_t size = std::size_t{r.data[at + 3]} + 4;
    features.push_back({Be16(r.data, at), r.data[at + 2], size, at});
    at += size;
  }
  return features;
}

Reply Config(DriveHarness& h, int rt, int start) {
  return h.In({0x46, static_cast<std::uint8_t>(rt), static_cast<std::uint8_t>(start >> 8),
               static_cast<std::uint8_t>(start), 0, 0, 0, 0x04, 0},
              1024);
}

TEST(VirtualDriveConfiguration, RequestedTypes) {
  DriveHarness h;
  auto codes = [](const Reply& r) {
    std::vector<int> c;
    for (const Feature& f : Walk(r)) c.push_back(f.code);
    return c;
  };
  EXPECT_EQ(codes(Config(h, 1, 0x0010)),
            (std::vector<int>{0x0010, 0x001D, 0x001E, 0x0100, 0x0103, 0x0105, 0x0107}));
  EXPECT_EQ(codes(Config(h, 0, 0x0100)), (std::vector<int>{0x0100, 0x0103, 0x0105, 0x0107}));
  EXPECT_EQ(codes(Config(h, 2, 0x001E)), (std::vector<int>{0x001E}));
  const Reply none = Config(h, 2, 0x0004);  // Write Protect: not a feature of this drive
  ASSERT_TRUE(none.good());
  EXPECT_EQ(none.transferred, 8u);
  EXPECT_EQ(Be32(none.data, 0), 4u);
  EXPECT_SENSE(Config(h, 3, 0), 0x5, 0x24, 0x00);
}

TEST(VirtualDriveConfiguration, WithoutMediumNothingOfTheDiscIsCurrent) {
  DriveHarness h("emu:type13?nomedium");
  const Reply r = Config(h, 0, 0);
  ASSERT_TRUE(r.good());
  EXPECT_EQ(Be16(r.data, 6), 0x0000);
  EXPECT_EQ(r.data[18], 0x00);  // CD-ROM profile not current
  for (const Feature& f : Walk(r)) {
    const bool always = f.code <= 0x0003 || f.code == 0x0100 || f.code == 0x0105;
    EXPECT_EQ(f.flags & 0x01, always ? 1 : 0) << std::hex << f.code;
  }
  const Reply current = Config(h, 1, 0);
  EXPECT_EQ(Walk(current).size(), 6u);
}

TEST(VirtualDriveConfiguration, AllocationLengthCutsTheReply) {
  DriveHarness h;
  const Reply r = h.In({0x46, 0, 0, 0, 0, 0, 0, 0, 20}, 1024);
  EXPECT_EQ(r.transferred, 20u);
  EXPECT_GT(Be32(r.data, 0), 16u);
}

TEST(VirtualDriveConfiguration, TheModernModelAnswersAsACurrentWriter) {
  DriveHarness h("emu:type13?speed=max&model=modern");
  const Reply r = Config(h, 0, 0);
  ASSERT_TRUE(r.good()) << r.status_line;
  const std::vector<Feature> f = Walk(r);
  ASSERT_GE(f.size(), 3u);
  // DVD and CD profiles, CD-ROM current.
  EXPECT_EQ(Be16(r.data, 6), 0x0008);
  EXPECT_EQ(f[0].size, 4u + 8 * 4);
  EXPECT_EQ(Be16(r.data, 12), 0x001B);
  EXPECT_EQ(Be16(r.data, 40), 0x0008);
  EXPECT_EQ(r.data[42], 0x01);
  // Core of 8 bytes of its own, version 2, Serial ATAPI.
  EXPECT_EQ(f[1].code, 0x0001);
  EXPECT_EQ(f[1].size, 12u);
  EXPECT_EQ(f[1].flags, 0x0B);
  EXPECT_EQ(Be32(r.data, f[1].at + 4), 7u);
  // Descriptors longer than the first versions', and later features.
  std::map<int, std::size_t> sizes;
  for (const Feature& x : f) sizes[x.code] = x.size;
  EXPECT_EQ(sizes[0x001F], 8u);
  EXPECT_EQ(sizes[0x0023], 12u);
  EXPECT_EQ(sizes[0x0107], 8u);
  EXPECT_EQ(sizes[0x0040], 32u);
  EXPECT_TRUE(sizes.count(0x002B) && sizes.count(0x0037));
  // The classic model keeps its Core of 4 bytes on ATAPI.
  DriveHarness classic("emu:type13?speed=max");
  const Reply c = Config(classic, 2, 1);
  EXPECT_EQ(c.data[11], 4);
  EXPECT_EQ(Be32(c.data, 12), 2u);
}

}  // namespace
}  // namespace tamarack::emu::testing
