#include "decode/read_toc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "decode/replies.h"
#include "golden.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::toc::Reply;
using testing::toc::Track;

// The 12-track audio CD: tracks every 20000 blocks, the lead-out after them.
Bytes TwelveTrackToc() {
  std::vector<Bytes> d;
  for (int t = 1; t <= 12; ++t) {
    d.push_back(
        Track(0x10, static_cast<std::uint8_t>(t), static_cast<std::uint32_t>((t - 1) * 20000)));
  }
  d.push_back(Track(0x10, 0xAA, 240000));
  return Reply(1, 12, d);
}

// A CD-TEXT pack: its four ID bytes, up to 12 bytes of text, a CRC of zero.
Bytes Pack(std::uint8_t id1, std::uint8_t id2, std::uint8_t id3, std::uint8_t id4,
           std::string_view text) {
  Bytes p = {id1, id2, id3, id4};
  p.insert(p.end(), text.begin(), text.begin() + std::min<std::size_t>(text.size(), 12));
  p.resize(18, 0);
  return p;
}

// Two full TOC descriptors: an A0 point of session 1 and a B0 point of session 2.
Bytes FullToc() {
  return Reply(1, 2,
               {{0x01, 0x10, 0x00, 0xA0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00},
                {0x02, 0x50, 0x00, 0xB0, 0x06, 0x1E, 0x16, 0x03, 0x4F, 0x3B, 0x4A}});
}

// The header line, the column titles and every row of the list.
std::string Listing(const DecodeOutput& out) {
  return out.text.substr(0, out.text.find("\r\n") + 2) +
         testing::ListingText(out.columns, out.rows);
}

// Every format's list: the twelve-track TOC (LBA and MSF), session information, full TOC
// and PMA, ATIP and CD-TEXT.
TEST(ReadTocGolden, EveryFormatsRows) {
  // Track 1 at 00:02:00 with TIME set; a pregap address before zero in a track numbered 0.
  const struct {
    const char* name;
    Bytes reply;
    int format;
    bool msf = false;
  } cases[] = {{"read_toc_twelve_tracks", TwelveTrackToc(), 0},
               {"read_toc_msf", Reply(1, 1, {Track(0x14, 1, 0x200)}), 0, true},
               {"read_toc_odd_track", Reply(0, 0, {Track(0x10, 0, 0xFFFFFF6Au)}), 0},
               {"read_toc_sessions", Reply(1, 2, {Track(0x14, 4, 18150)}), 1},
               {"read_toc_full", FullToc(), 2},
               {"read_toc_pma", FullToc(), 3},
               {"read_toc_atip", testing::ReadGoldenHex("read_toc_atip.hex"), 4},
               {"read_toc_cd_text", testing::ReadGoldenHex("read_toc_cd_text.hex"), 5}};
  for (const auto& c : cases) {
    testing::ExpectGoldenText(c.name, Listing(DecodeReadToc(c.reply, 0, c.format, c.msf)));
  }
}

// Replies as their listings, in read_toc_lengths_and_texts.txt: the ATIP groups by the data
// length (only the fields that came back when it is longer); CD-TEXT pack text of other bytes
// (control bytes as ".", ISO 8859-1 letters as themselves) and double-byte text, by the
// pack's DBCC bit or by the block's character code (80h, MS-JIS) in its size information
// (only that block's packs); descriptors only within the data length and the reply; formats
// beyond 5, data lengths below the header and empty replies list no rows.
TEST(ReadTocGolden, LengthsAndTexts) {
  std::string t;
  const auto add = [&t](const std::string& what, std::span<const std::uint8_t> r, int format) {
    t += "== " + what + "\r\n" + Listing(DecodeReadToc(r, 0, format, false));
  };
  Bytes atip(36, 0x11);
  for (int length : {7, 8, 15, 16, 20, 24, 28, 32}) {
    WriteBe16(atip, 0, static_cast<std::uint32_t>(length));
    add(StrFormat("ATIP of data length %d", length), atip, 4);
  }
  add("ATIP of data length 32 in 12 bytes", std::span(atip).first(12), 4);
  add("pack text of other bytes", Reply(0, 0, {Pack(0x81, 0x01, 0x00, 0x00, "a\tb\xe9")}), 5);
  const std::string text("\x93\xfa\x96\x7b\0ab", 7);  // "日本" in CP932, a zero, "ab"
  add("double-byte by the DBCC bit", Reply(0, 0, {Pack(0x80, 0x00, 0x00, 0x80, text)}), 5);
  add("double-byte by block 0's character code; 93h in block 1 a control, FAh a letter",
      Reply(0, 0,
            {Pack(0x80, 0x00, 0x00, 0x00, text), Pack(0x80, 0x00, 0x01, 0x10, text),
             Pack(0x8F, 0x00, 0x02, 0x00, std::string("\x80\x01\x01", 3))}),
      5);
  Bytes r = TwelveTrackToc();
  WriteBe16(r, 0, 2 + 8 + 5);
  add("a data length ending inside the second descriptor", r, 0);
  WriteBe16(r, 0, 0xFFFF);
  add("a data length beyond 3 descriptors and 7 bytes", std::span(r).first(4 + 8 * 3 + 7), 0);
  add("a data length beyond 2 full TOC descriptors", std::span(r).first(4 + 11 * 2), 2);
  add("a data length beyond 5 packs and 17 bytes", std::span(r).first(4 + 18 * 5 + 17), 5);
  add("format 7: the dump alone", r, 7);
  // Lengths below the header's own bytes, and nothing at all: no rows in any format.
  for (std::uint32_t length : {0u, 3u}) {
    WriteBe16(r, 0, length);
    for (int format = 0; format <= 5; ++format) {
      add(StrFormat("data length %u, format %d", length, format), r, format);
    }
  }
  for (int format = 0; format <= 5; ++format)
    add(StrFormat("nothing, format %d", format), {}, format);
  testing::ExpectGoldenText("read_toc_lengths_and_texts", t);
}

// A recorded length shorter than the header's dumps only the bytes recorded. The decoder takes
// the format from the CDB (its TIME bit is the CLI toc goldens').
TEST(ReadTocText, ARecordedLengthCutsTheDumpAndTheCdbGivesTheFormat) {
  const Bytes r = TwelveTrackToc();
  EXPECT_EQ(DecodeReadToc(r, 20, 0, false).text,
            DecodeReadToc(std::span(r).first(20), 0, 0, false).text);
  DecodeInput in;
  in.data = r;
  in.cdb = {0x43, 0x02, 0x01, 0, 0, 0, 0, 0xA0, 0x00, 0, 0, 0};
  EXPECT_EQ(DecodeReadTocReply(in).columns[2].title, "First Track No. in Last Complete Session");
}

}  // namespace
}  // namespace tamarack
