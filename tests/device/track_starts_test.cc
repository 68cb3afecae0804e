#include "mmc/track_starts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "golden.h"

#include "util/bytes.h"
#include "util/msf.h"

namespace tamarack {
namespace {

struct Point {
  int session, adr, point;
  std::int64_t lba;
};

// A full TOC reply (format 2) of the points given, its length field counting them all.
std::vector<std::uint8_t> FullToc(const std::vector<Point>& points) {
  std::vector<std::uint8_t> reply(4, 0);
  for (const Point& p : points) {
    const Msf t = MsfOfLba(p.lba);
    std::uint8_t d[11] = {static_cast<std::uint8_t>(p.session),
                          static_cast<std::uint8_t>(p.adr << 4), 0,
                          static_cast<std::uint8_t>(p.point)};
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

// The gaps of each full TOC of session_gaps.txt (its points as session, ADR, point in hex and
// LBA; after "|" the bytes of a reply cut short): an enhanced CD's from session 1's lead-out to
// session 2's program area (B0h), without B0h to the next session's first track; one session,
// a reply cut before the next session's track, points other than positions (ADR 5) and a next
// session that starts inside the lead-out give none.
TEST(SessionGaps, FromTheLeadOutToTheNextProgramArea) {
  testing::ExpectEachInput("session_gaps.txt", "device", [](const std::string& line) {
    const std::size_t bar = line.find('|');
    std::istringstream in(line.substr(0, bar));
    std::vector<Point> points;
    for (Point p{};
         in >> std::dec >> p.session >> p.adr >> std::hex >> p.point >> std::dec >> p.lba;)
      points.push_back(p);
    const std::vector<std::uint8_t> toc = FullToc(points);
    const auto length = bar == std::string::npos ? toc.size() : std::stoul(line.substr(bar + 1));
    std::string t;
    for (const SessionGap& g : SessionGapsOfFullToc(toc, static_cast<std::uint32_t>(length)))
      t += (t.empty() ? "gap " : "; gap ") + std::to_string(g.first) + " to " +
           std::to_string(g.end);
    return t.empty() ? "none" : t;
  });
  EXPECT_TRUE(SessionGapsOfFullToc({}, 0).empty());
}

}  // namespace
}  // namespace tamarack
