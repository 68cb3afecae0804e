#include "mmc/track_starts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "util/bytes.h"
#include "util/msf.h"

namespace tamarack {
namespace {

struct Point {
  int session;
  std::uint8_t adr;
  std::uint8_t point;
  std::int64_t lba;
};

// A full TOC reply (format 2) of the points given, its length field counting them all.
std::vector<std::uint8_t> FullToc(const std::vector<Point>& points) {
  std::vector<std::uint8_t> reply(4, 0);
  for (const Point& p : points) {
    const Msf t = MsfOfLba(p.lba);
    std::uint8_t d[11] = {static_cast<std::uint8_t>(p.session),
                          static_cast<std::uint8_t>(p.adr << 4), 0, p.point};
    // B0h gives the next program area in MIN, SEC, FRAME; the others in PMIN, PSEC, PFRAME.
    const std::size_t at = p.point == 0xB0 ? 4 : 8;
    d[at] = static_cast<std::uint8_t>(t.minutes);
    d[at + 1] = static_cast<std::uint8_t>(t.seconds);
    d[at + 2] = static_cast<std::uint8_t>(t.frames);
    reply.insert(reply.end(), d, d + 11);
  }
  WriteBe16(reply, 0, static_cast<std::uint32_t>(reply.size() - 2));
  return reply;
}

// The gap of an enhanced CD runs from session 1's lead-out to session 2's program area (B0h);
// one session, a reply cut before the next session's track, points other than
// positions (ADR 5) and a next session that starts inside the lead-out give none.
TEST(SessionGaps, FromTheLeadOutToTheNextProgramArea) {
  const std::vector<Point> two = {{1, 1, 0xA0, 0},  {1, 1, 0xA2, 20250}, {1, 1, 1, 0},
                                  {1, 1, 2, 6900},  {1, 5, 0xB0, 31500}, {2, 1, 0xA2, 37800},
                                  {2, 1, 5, 31800}, {2, 1, 4, 31650}};
  const std::vector<std::uint8_t> toc = FullToc(two);
  const auto gaps = SessionGapsOfFullToc(toc, static_cast<std::uint32_t>(toc.size()));
  ASSERT_EQ(gaps.size(), 1u);
  EXPECT_EQ(gaps[0].first, 20250);
  EXPECT_EQ(gaps[0].end, 31500);
  // Without B0h, up to the next session's first track.
  const std::vector<std::uint8_t> no_b0 =
      FullToc({{1, 1, 0xA2, 20250}, {1, 1, 1, 0}, {2, 1, 0xA2, 37800}, {2, 1, 4, 31650}});
  const auto to_track = SessionGapsOfFullToc(no_b0, static_cast<std::uint32_t>(no_b0.size()));
  ASSERT_EQ(to_track.size(), 1u);
  EXPECT_EQ(to_track[0].end, 31650);

  // Cut before the B0h point: session 2 never came.
  EXPECT_TRUE(SessionGapsOfFullToc(toc, 4 + 4 * 11).empty());
  const std::vector<std::uint8_t> one = FullToc({{1, 1, 0xA2, 20250}, {1, 1, 1, 0}});
  EXPECT_TRUE(SessionGapsOfFullToc(one, static_cast<std::uint32_t>(one.size())).empty());
  const std::vector<std::uint8_t> inside = FullToc({{1, 1, 0xA2, 20250}, {2, 1, 4, 20250}});
  EXPECT_TRUE(SessionGapsOfFullToc(inside, static_cast<std::uint32_t>(inside.size())).empty());
  const std::vector<std::uint8_t> adr5 = FullToc({{1, 5, 0xA2, 100}, {2, 1, 4, 900}});
  EXPECT_TRUE(SessionGapsOfFullToc(adr5, static_cast<std::uint32_t>(adr5.size())).empty());
  EXPECT_TRUE(SessionGapsOfFullToc({}, 0).empty());
}

}  // namespace
}  // namespace tamarack
