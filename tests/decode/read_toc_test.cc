#include "decode/read_toc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/text_conventions.h"
#include "form/form_layout.h"
#include "form/hex_dump.h"
#include "util/bytes.h"

namespace tamarack {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Cells = std::vector<std::string>;

// A reply of `descriptors` after the 4-byte header; the data length counts from byte 2.
Bytes Reply(std::uint8_t first, std::uint8_t last, const std::vector<Bytes>& descriptors) {
  Bytes r(4, 0);
  r[2] = first;
  r[3] = last;
  for (const Bytes& d : descriptors) r.insert(r.end(), d.begin(), d.end());
  WriteBe16(r, 0, static_cast<std::uint32_t>(r.size() - 2));
  return r;
}

Bytes TrackDescriptor(std::uint8_t adr_control, std::uint8_t track, std::uint32_t address) {
  Bytes d(8, 0);
  d[1] = adr_control;
  d[2] = track;
  WriteBe32(d, 4, address);
  return d;
}

// The 12-track audio CD: tracks every 20000 blocks, the lead-out after them.
Bytes TwelveTrackToc() {
  std::vector<Bytes> d;
  for (int t = 1; t <= 12; ++t) {
    d.push_back(TrackDescriptor(0x10, static_cast<std::uint8_t>(t),
                                static_cast<std::uint32_t>((t - 1) * 20000)));
  }
  d.push_back(TrackDescriptor(0x10, 0xAA, 240000));
  return Reply(1, 12, d);
}

Bytes Pack(std::uint8_t id1, std::uint8_t id2, std::uint8_t id3, std::uint8_t id4,
           std::string_view text, std::uint16_t crc) {
  Bytes p(18, 0);
  p[0] = id1;
  p[1] = id2;
  p[2] = id3;
  p[3] = id4;
  for (std::size_t i = 0; i < text.size() && i < 12; ++i)
    p[4 + i] = static_cast<std::uint8_t>(text[i]);
  WriteBe16(p, 16, crc);
  return p;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find("\r\n") + 2); }

TEST(ReadTocFormat0, TwelveTrackAudioCdGivesThirteenRows) {
  const Bytes r = TwelveTrackToc();
  ASSERT_EQ(ReadBe16(r, 0), 106);
  const DecodeOutput out = DecodeReadToc(r, 0, 0, false);
  ASSERT_EQ(out.rows.size(), 13u);
  EXPECT_EQ(out.rows[0].cells, (Cells{"01h", "00h", "01h", "00000000(000000h)", "1 Trcak"}));
  EXPECT_EQ(out.rows[11].cells, (Cells{"01h", "00h", "0ch", "00220000(035b60h)", "12 Trcak"}));
  EXPECT_EQ(out.rows[12].cells, (Cells{"01h", "00h", "aah", "00240000(03a980h)", "Lead Out"}));
  EXPECT_EQ(FirstLine(out.text),
            "Data Length=106(006ah) First Track No.(Hex)=1 Last Track No.(Hex)=12\r\n");
  ASSERT_EQ(out.columns.size(), 5u);
  EXPECT_EQ(out.columns[3].title, "Track Start Address");
}

TEST(ReadTocFormat0, MsfAddressColumn) {
  Bytes d = TrackDescriptor(0x14, 1, 0);
  d[5] = 0;
  d[6] = 2;
  d[7] = 0;
  const DecodeOutput out = DecodeReadToc(Reply(1, 1, {d}), 0, 0, true);
  ASSERT_EQ(out.rows.size(), 1u);
  EXPECT_EQ(out.rows[0].cells[3], "00:02:00");
  EXPECT_EQ(out.rows[0].cells[1], "04h");
}

TEST(ReadTocFormat0, NegativeAndOddTracks) {
  // A pregap address before zero, a track number outside 1-99 and not AAh.
  const Bytes r = Reply(0, 0, {TrackDescriptor(0x10, 0, 0xFFFFFF6Au)});
  const DecodeOutput out = DecodeReadToc(r, 0, 0, false);
  ASSERT_EQ(out.rows.size(), 1u);
  EXPECT_EQ(out.rows[0].cells[3], "-0000150(ffffff6ah)");
  EXPECT_EQ(out.rows[0].cells[4], "");
}

TEST(ReadTocFormat1, SessionInformationHeaderAndColumns) {
  const Bytes r = Reply(1, 2, {TrackDescriptor(0x14, 4, 18150)});
  const DecodeOutput out = DecodeReadToc(r, 0, 1, false);
  EXPECT_EQ(FirstLine(out.text),
            "Data Length=10(000ah) First Session No.(Hex)=1 Last Session No.(Hex)=2\r\n");
  ASSERT_EQ(out.rows.size(), 1u);
  EXPECT_EQ(out.rows[0].cells, (Cells{"01h", "04h", "04h", "00018150(0046e6h)", "4 Trcak"}));
  EXPECT_EQ(out.columns[2].title, "First Track No. in Last Complete Session");
}

TEST(ReadTocFormat2, FullTocRowsAndPmaWithoutSession) {
  const Bytes a0{0x01, 0x10, 0x00, 0xA0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00};
  const Bytes b0{0x02, 0x50, 0x00, 0xB0, 0x06, 0x1E, 0x16, 0x03, 0x4F, 0x3B, 0x4A};
  const Bytes r = Reply(1, 2, {a0, b0});
  DecodeOutput out = DecodeReadToc(r, 0, 2, false);
  EXPECT_EQ(FirstLine(out.text),
            "Data Length=24(0018h) First Session No.(Hex)=1 Last Session No.(Hex)=2\r\n");
  ASSERT_EQ(out.rows.size(), 2u);
  EXPECT_EQ(out.rows[1].cells,
            (Cells{"02h", "05h", "00h", "00h", "b0h", "06 1e 16 03", "4f 3b 4a", ""}));
  EXPECT_EQ(out.columns.size(), 8u);
  out = DecodeReadToc(r, 0, 3, false);
  EXPECT_EQ(FirstLine(out.text), "Data Length=24(0018h)\r\n");
  ASSERT_EQ(out.rows.size(), 2u);
  EXPECT_EQ(out.rows[0].cells, (Cells{"01h", "00h", "00h", "a0h", "00 00 00 00", "01 20 00", ""}));
  EXPECT_EQ(out.columns.size(), 7u);
  EXPECT_EQ(out.columns[0].title, "ADR");
}

TEST(ReadTocFormat4, AtipOfLengthTwentyTwo) {
  Bytes r(24, 0);
  WriteBe16(r, 0, 22);
  r[4] = 0x5D;  // power 5, DDCD 1, speed 5
  r[5] = 0x40;  // URU
  r[6] = 0x6D;  // disc type 1, sub-type 5, A1 valid 1, A2 0, A3 1
  r[8] = 0x61;
  r[9] = 0x1A;
  r[10] = 0x42;
  r[12] = 0x4F;
  r[13] = 0x3B;
  r[14] = 0x47;
  r[16] = 0x12;
  r[17] = 0x34;
  r[18] = 0x56;
  r[20] = 0xAB;  // A2, not shown: the length does not reach 24
  const DecodeOutput out = DecodeReadToc(r, 0, 4, false);
  EXPECT_EQ(FirstLine(out.text), "Data Length=22(0016h)\r\n");
  std::vector<Cells> expected = {
      {"Indicative Target Writing Power", "5", ""},
      {"(DDCD)", "1", ""},
      {"Reference Speed", "5", ""},
      {"URU", "1", ""},
      {"Disc Type", "1", ""},
      {"Disc Sub-Type", "5", ""},
      {"A1 Valid", "1", ""},
      {"A2 Valid", "0", ""},
      {"A3 Valid", "1", ""},
      {"ATIP Start Time of Lead-in (Min)", "97", ""},
      {"ATIP Start Time of Lead-in (Sec)", "26", ""},
      {"ATIP Start Time of Lead-in (Frame)", "66", ""},
      {"ATIP Start Time of Lead-out (Min)", "79", ""},
      {"ATIP Start Time of Lead-out (Sec)", "59", ""},
      {"ATIP Start Time of Lead-out (Frame)", "71", ""},
      {"A1 Values", "123456h", ""},
  };
  ASSERT_EQ(out.rows.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(out.rows[i].cells, expected[i]);
  EXPECT_EQ(out.columns[0].title, "ATIP Descriptor");
}

TEST(ReadTocFormat4, AtipGroupsByLength) {
  Bytes r(36, 0x11);
  const auto count = [&](int length) {
    WriteBe16(r, 0, static_cast<std::uint32_t>(length));
    return DecodeReadToc(r, 0, 4, false).rows.size();
  };
  EXPECT_EQ(count(7), 0u);
  EXPECT_EQ(count(8), 9u);
  EXPECT_EQ(count(15), 9u);
  EXPECT_EQ(count(16), 15u);
  EXPECT_EQ(count(20), 16u);
  EXPECT_EQ(count(24), 17u);
  EXPECT_EQ(count(28), 18u);
  EXPECT_EQ(count(32), 19u);
  // A length beyond what came back shows only the fields that came back.
  WriteBe16(r, 0, 32);
  EXPECT_EQ(DecodeReadToc(std::span(r).first(12), 0, 4, false).rows.size(), 12u);
}

TEST(ReadTocFormat5, CdTextPacks) {
  const Bytes r = Reply(0, 0,
                        {Pack(0x80, 0x00, 0x00, 0x00, std::string("Album\0Ti", 8), 0x1234),
                         Pack(0x80, 0x03, 0x01, 0x8F, "Song", 0xBEEF),
                         Pack(0x8F, 0x00, 0x02, 0x00, "\x01\x02\x0a\xff", 0x0001),
                         Pack(0x8A, 0x00, 0x03, 0x70, "", 0)});
  const DecodeOutput out = DecodeReadToc(r, 0, 5, false);
  EXPECT_EQ(FirstLine(out.text),
            "CD-TEXT Data Length=74(004ah) First Track/Session/Reserved Field(Hex)=0 Last "
            "Track/Session/Reserved Field(Hex)=0\r\n");
  ASSERT_EQ(out.rows.size(), 4u);
  EXPECT_EQ(out.rows[0].cells,
            (Cells{"80h", "00h", "00h", "00h", "Album Ti    ", "1234h", "Title of Album name",
                   "DBCC Off,Block Number 000b,Character Position 0"}));
  EXPECT_EQ(out.rows[1].cells[6], "Track3 Titles");
  EXPECT_EQ(out.rows[1].cells[7], "DBCC On,Block Number 000b,Character Position 15");
  EXPECT_EQ(out.rows[2].cells[4], "01 02 0a ff 00 00 00 00 00 00 00 00 ");
  EXPECT_EQ(out.rows[2].cells[6], "Size information of the Block");
  EXPECT_EQ(out.rows[3].cells[6], "");
  EXPECT_EQ(out.rows[3].cells[7], "DBCC Off,Block Number 111b,Character Position 0");
  EXPECT_EQ(out.columns.size(), 8u);
}

TEST(ReadTocFormat5, PackTextOfOtherBytes) {
  // Control bytes show as ".", ISO 8859-1 letters as themselves.
  const Bytes r = Reply(0, 0, {Pack(0x81, 0x01, 0x00, 0x00, "a\tb\xe9", 0)});
  const DecodeOutput out = DecodeReadToc(r, 0, 5, false);
  ASSERT_EQ(out.rows.size(), 1u);
  EXPECT_EQ(out.rows[0].cells[4], "a.b\xc3\xa9        ");
  EXPECT_EQ(out.rows[0].cells[6], "Name(s) of the performer(s)");
}

TEST(ReadTocText, HeaderDumpBannerAndDumpOfTheDataLength) {
  Bytes buffer = TwelveTrackToc();
  buffer.resize(200, 0x5A);
  const DecodeOutput out = DecodeReadToc(buffer, 0, 0, false, 4);
  std::string dump;
  DumpHex(std::span(buffer).first(108), &dump, false, 4);
  EXPECT_EQ(out.text, "Data Length=106(006ah) First Track No.(Hex)=1 Last Track No.(Hex)=12\r\n" +
                          std::string(kDumpBanner) + dump);
  // A recorded length is what the dump shows.
  const DecodeOutput recorded = DecodeReadToc(buffer, 20, 0, false, 4);
  dump.clear();
  DumpHex(std::span(buffer).first(20), &dump, false, 4);
  EXPECT_EQ(recorded.text.substr(recorded.text.find(kDumpBanner) + std::string(kDumpBanner).size()),
            dump);
}

TEST(ReadTocText, FormatsBeyondFiveHaveNoHeaderAndNoRows) {
  const Bytes r = TwelveTrackToc();
  const DecodeOutput out = DecodeReadToc(r, 0, 7, false);
  EXPECT_EQ(out.text.rfind(kDumpBanner, 0), 0u);
  EXPECT_TRUE(out.rows.empty());
  EXPECT_TRUE(out.columns.empty());
}

TEST(ReadTocMalformed, DescriptorsOnlyWithinLengthAndReply) {
  Bytes r = TwelveTrackToc();
  // A data length that ends inside the second descriptor: one row.
  WriteBe16(r, 0, 2 + 8 + 5);
  EXPECT_EQ(DecodeReadToc(r, 0, 0, false).rows.size(), 1u);
  // A length beyond the bytes returned: only whole descriptors that came back.
  WriteBe16(r, 0, 0xFFFF);
  EXPECT_EQ(DecodeReadToc(std::span(r).first(4 + 8 * 3 + 7), 0, 0, false).rows.size(), 3u);
  EXPECT_EQ(DecodeReadToc(std::span(r).first(4 + 11 * 2), 0, 2, false).rows.size(), 2u);
  EXPECT_EQ(DecodeReadToc(std::span(r).first(4 + 18 * 5 + 17), 0, 5, false).rows.size(), 5u);
  // Lengths below the header's own bytes.
  for (std::uint32_t length : {0u, 1u, 2u, 3u}) {
    WriteBe16(r, 0, length);
    for (int format = 0; format <= 5; ++format) {
      EXPECT_TRUE(DecodeReadToc(r, 0, format, false).rows.empty()) << format << " " << length;
    }
  }
  // Nothing returned at all.
  for (int format = 0; format <= 5; ++format) {
    const DecodeOutput out = DecodeReadToc({}, 0, format, format % 2 == 0);
    EXPECT_TRUE(out.rows.empty());
    EXPECT_NE(out.text.find(kDumpBanner), std::string::npos);
  }
}

TEST(ReadTocCommand, DecoderTakesFormatAndTimeFromTheCdb) {
  Bytes buffer = TwelveTrackToc();
  const auto returned = static_cast<std::uint32_t>(buffer.size());
  buffer.resize(40960, 0x5A);
  DecodeInput in;
  in.data = buffer;
  in.transferred = returned;
  in.received_length = returned;
  in.cdb = {0x43, 0x02, 0x00, 0, 0, 0, 0, 0xA0, 0x00, 0, 0, 0};
  DecodeOutput out = DecodeReadTocReply(in);
  ASSERT_EQ(out.rows.size(), 13u);
  EXPECT_EQ(out.rows[1].cells[3], "00:78:32");  // the bytes of LBA 20000 read as M:S:F
  in.cdb[2] = 0x01;
  out = DecodeReadTocReply(in);
  EXPECT_EQ(out.columns[2].title, "First Track No. in Last Complete Session");
  EXPECT_EQ(kReadTocBehaviour.view, ResultView::kTocList);
}

TEST(ReadTocForm, FieldsAndAllocationLength) {
  const auto& form = kReadTocForm;
  ASSERT_EQ(form.fields.size(), 3u);
  EXPECT_STREQ(form.fields[0].label, "TIME(On:MSF,Off:Logical Block Addresses)");
  EXPECT_STREQ(form.fields[1].label, "Format");
  ASSERT_EQ(form.fields[1].choices.size(), 6u);
  EXPECT_STREQ(form.fields[1].choices[5].text, "0101b CD-TEXT");
  EXPECT_STREQ(form.fields[2].label, "Track/Session Number");

  FormData source;
  source.cdb = {0x43, 0x02, 0x02, 0, 0, 0, 0x05, 0, 0, 0, 0, 0};
  auto states = FillFields(form.fields, source, false);
  EXPECT_TRUE(states[0].checked);
  EXPECT_EQ(states[1].choice, 2);
  EXPECT_EQ(states[2].text, "5");
  FormData current;
  current.cdb[0] = 0x43;
  form.on_build(current, source);
  states[0].checked = false;
  states[1].choice = 4;
  states[2].text = "3";
  CollectFields(form.fields, states, current, false);
  EXPECT_EQ(current.cdb, (Cdb{0x43, 0x00, 0x04, 0, 0, 0, 0x03, 0xA0, 0x00, 0, 0, 0}));
  // A format outside the list selects nothing.
  source.cdb[2] = 0x09;
  EXPECT_EQ(FillFields(form.fields, source, false)[1].choice, -1);
}

}  // namespace
}  // namespace tamarack
