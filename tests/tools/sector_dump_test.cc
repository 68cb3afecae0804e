#include "tools/sector_dump.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

#include "tools/dump_buffer.h"
#include "tools/dump_number.h"
#include "tools/read_cd_detail.h"
#include "tools/sector_cdb.h"

namespace tamarack {
namespace {

Cdb Bytes(std::initializer_list<std::uint8_t> b) {
  Cdb c{};
  std::copy(b.begin(), b.end(), c.begin());
  return c;
}

SectorDump LbaDump(const char* lba, const char* length) {
  SectorDump d;
  d.lba_text = lba;
  d.length_text = length;
  return d;
}

SectorDump MsfDump(MsfText start, MsfText end) {
  SectorDump d;
  d.mode = DumpAddressMode::kMsf;
  d.start = start;
  d.end = end;
  return d;
}

TEST(DumpNumber, PrefixBaseAndInvalidCharacters) {
  // After the good ones: not a digit of the base, nothing after the prefix, empty, blanks,
  // a sign, too long.
  const std::pair<const char*, std::optional<std::uint32_t>> decimal[] = {
      {"16", 16},         {"0x1A", 0x1A}, {"4294967295", 0xFFFFFFFF},
      {"1A", {}},         {"0x", {}},     {" 12", {}},
      {"12 ", {}},        {"-1", {}},     {"0x123456789", {}},
      {"4294967296", {}}, {"0xg", {}}};
  for (const auto& [text, value] : decimal) EXPECT_EQ(ParseDumpNumber(text, false), value) << text;
  const std::pair<const char*, std::optional<std::uint32_t>> hex[] = {
      {"16", 0x16}, {"0X1a", 0x1A}, {"ffffffff", 0xFFFFFFFF}, {"", {}}, {"000000001", {}}};
  for (const auto& [text, value] : hex) EXPECT_EQ(ParseDumpNumber(text, true), value) << text;
}

TEST(SectorDumpPrepare, LbaLengthAboveTenIsCutWithTheMessage) {
  SectorDump d = LbaDump("100", "11");
  const DumpPreparation p = d.Prepare(DumpStep::kNone, false);
  ASSERT_TRUE(p.request);
  ASSERT_EQ(p.messages.size(), 1u);
  EXPECT_EQ(p.messages[0], "転送長が最大数(最大数は10)を超えたので最大数にしました");
  EXPECT_EQ(p.request->blocks, 10u);
  EXPECT_EQ(p.request->lba, 100u);
  EXPECT_EQ(d.length_text, "10");
  // In hexadecimal entry the field shows the cut length in that base.
  d.length_text = "b";
  EXPECT_EQ(d.Prepare(DumpStep::kNone, true).request->blocks, 10u);
  EXPECT_EQ(d.length_text, "a");
  // Ten itself is no cut.
  d.length_text = "10";
  EXPECT_TRUE(d.Prepare(DumpStep::kNone, false).messages.empty());
}

TEST(SectorDumpPrepare, MsfRangeAboveTenMovesTheEndWithTheFullStopMessage) {
  SectorDump d = MsfDump({"00", "02", "70"}, {"00", "03", "06"});  // frames 220 to 231: 11
  const DumpPreparation p = d.Prepare(DumpStep::kNone, false);
  ASSERT_TRUE(p.request);
  ASSERT_EQ(p.messages.size(), 1u);
  EXPECT_EQ(p.messages[0], "転送長が最大数(最大数は10)を超えたので最大数にしました.");
  EXPECT_EQ(p.request->start_frames, 220u);
  EXPECT_EQ(p.request->end_frames, 230u);
  EXPECT_EQ(p.request->blocks, 10u);
  EXPECT_EQ(d.end, (MsfText{"00", "03", "05"}));
  EXPECT_EQ(d.start, (MsfText{"00", "02", "70"}));
}

TEST(SectorDumpPrepare, ParameterErrorsStopTheRead) {
  struct Case {
    const char* lba;
    const char* length;
    bool hex;
    const char* message;
  };
  const Case cases[] = {
      {"12x", "1", false, "LBAが不正です"}, {"", "1", false, "LBAが不正です"},
      {"1A", "1", false, "LBAが不正です"},  {"10", "z", true, "Lengthが不正です"},
      {"10", "0", false, "Lengthが0です"},  {"10", "0x0", false, "Lengthが0です"},
      {"q", "0", false, "LBAが不正です"},  // a bad LBA is reported before a bad length
  };
  for (const Case& c : cases) {
    SectorDump d = LbaDump(c.lba, c.length);
    const DumpPreparation p = d.Prepare(DumpStep::kNext, c.hex);
    EXPECT_FALSE(p.request) << c.lba << " " << c.length;
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_EQ(p.messages[0], std::string("ﾊﾟﾗﾒｰﾀｴﾗｰを検出しました\n") + c.message);
    EXPECT_EQ(d.lba_text, c.lba);  // nothing stepped
  }
  SectorDump d = MsfDump({"00", "02", "10"}, {"00", "02", "10"});
  DumpPreparation p = d.Prepare(DumpStep::kNone, false);
  EXPECT_FALSE(p.request);
  ASSERT_EQ(p.messages.size(), 1u);
  EXPECT_EQ(p.messages[0], "ﾊﾟﾗﾒｰﾀｴﾗｰを検出しました\n開始>終了");
  d.end = {"00", "01", "74"};
  EXPECT_FALSE(d.Prepare(DumpStep::kNone, false).request);
}

TEST(SectorDumpPrepare, LbaStepsForwardAndBackNotBelowZero) {
  SectorDump d = LbaDump("3", "10");
  DumpPreparation p = d.Prepare(DumpStep::kPrevious, false);
  ASSERT_TRUE(p.request);
  EXPECT_EQ(p.request->lba, 0u);
  EXPECT_EQ(d.lba_text, "0");
  p = d.Prepare(DumpStep::kNext, false);
  EXPECT_EQ(p.request->lba, 10u);
  EXPECT_EQ(d.lba_text, "10");
  // In hexadecimal entry both fields read "10" as 10h; the length is cut to 10 first.
  p = d.Prepare(DumpStep::kNext, true);
  EXPECT_EQ(p.request->lba, 0x10u + 10u);
  EXPECT_EQ(d.lba_text, "1a");
  EXPECT_EQ(d.length_text, "a");
  // The execute button reads where the field stands.
  p = d.Prepare(DumpStep::kNone, true);
  EXPECT_EQ(p.request->lba, 0x1Au);
  // The top of the address range does not wrap around.
  d.lba_text = "4294967290";
  d.length_text = "10";
  p = d.Prepare(DumpStep::kNext, false);
  EXPECT_EQ(p.request->lba, 0xFFFFFFFFu);
  // The length cut comes before the step.
  d.lba_text = "100";
  d.length_text = "25";
  p = d.Prepare(DumpStep::kNext, false);
  EXPECT_EQ(p.request->lba, 110u);
  EXPECT_EQ(p.messages.size(), 1u);
}

TEST(SectorDumpPrepare, MsfStepsMoveStartAndEndTogether) {
  SectorDump d = MsfDump({"00", "02", "00"}, {"00", "02", "05"});  // frames 150 to 155
  DumpPreparation p = d.Prepare(DumpStep::kNext, false);
  ASSERT_TRUE(p.request);
  EXPECT_EQ(p.request->start_frames, 155u);
  EXPECT_EQ(p.request->end_frames, 160u);
  EXPECT_EQ(d.start, (MsfText{"00", "02", "05"}));
  EXPECT_EQ(d.end, (MsfText{"00", "02", "10"}));
  // Across a second and a minute boundary.
  d.start = {"00", "59", "73"};
  d.end = {"00", "59", "74"};
  p = d.Prepare(DumpStep::kNext, false);
  EXPECT_EQ(d.start, (MsfText{"00", "59", "74"}));
  EXPECT_EQ(d.end, (MsfText{"01", "00", "00"}));
  EXPECT_EQ(p.request->CommandCdb(), Bytes({0xB9, 0, 0, 0, 59, 74, 1, 0, 0, 0x10, 0, 0}));
  // Back: only when the start stays at or above 00:00:00.
  d.start = {"00", "00", "03"};
  d.end = {"00", "00", "08"};
  p = d.Prepare(DumpStep::kPrevious, false);
  EXPECT_EQ(p.request->start_frames, 3u);
  EXPECT_EQ(d.start, (MsfText{"00", "00", "03"}));
  d.start = {"00", "00", "05"};
  d.end = {"00", "00", "10"};
  p = d.Prepare(DumpStep::kPrevious, false);
  EXPECT_EQ(p.request->start_frames, 0u);
  EXPECT_EQ(p.request->end_frames, 5u);
}

TEST(SectorDumpPrepare, VolumeDescriptorModeReadsOneBlockAndSteppingLeavesIt) {
  SectorDump d;
  d.mode = DumpAddressMode::kVolumeDescriptor;
  d.lba_text = "junk";
  d.length_text = "3";
  DumpPreparation p = d.Prepare(DumpStep::kNone, false);
  ASSERT_TRUE(p.request);
  EXPECT_EQ(p.request->mode, DumpAddressMode::kVolumeDescriptor);
  EXPECT_EQ(p.request->blocks, 1u);
  EXPECT_TRUE(p.messages.empty());
  EXPECT_EQ(d.VolumeDescriptorCaption(), "&VDS 16\n(10h)");
  d.SetVolumeDescriptorLba(4516);
  EXPECT_EQ(d.VolumeDescriptorCaption(), "&VDS 4516\n(11a4h)");
  p = d.Prepare(DumpStep::kNext, false);
  EXPECT_EQ(d.mode, DumpAddressMode::kLba);
  ASSERT_TRUE(p.request);
  EXPECT_EQ(p.request->lba, 4516u + 3u);
  EXPECT_EQ(d.lba_text, "4519");
}

TEST(SectorCdb, ReadCdAndReadCdMsfCarryTheFieldSelection) {
  Cdb sector{};
  sector[1] = 0x1D;  // ignored: the dump asks for any sector type
  sector[2] = 0x77;  // rebuilt for each read
  sector[9] = 0xF8;
  sector[10] = 0x02;
  sector[11] = 0x55;
  EXPECT_EQ(ReadCdCdb(0x01020304, 10, sector),
            Bytes({0xBE, 0, 1, 2, 3, 4, 0, 0, 10, 0xF8, 0x02, 0}));
  EXPECT_EQ(ReadCdMsfCdb(static_cast<std::uint32_t>(FramesOfMsf({1, 2, 3})),
                         static_cast<std::uint32_t>(FramesOfMsf({74, 59, 74})), sector),
            Bytes({0xB9, 0, 0, 1, 2, 3, 74, 59, 74, 0xF8, 0x02, 0}));
  EXPECT_EQ(SessionInfoCdb(), Bytes({0x43, 0, 1, 0, 0, 0, 0, 0, 160, 0, 0, 0}));
  EXPECT_EQ(DefaultSectorCdb(), Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0}));
  EXPECT_EQ(MsfOfFrames(4500 * 3 + 75 * 7 + 9), (Msf{3, 7, 9}));
  const std::uint8_t reply[] = {0, 10, 1, 2, 0, 0x14, 2, 0, 0, 0, 0x11, 0x94};
  EXPECT_EQ(LastSessionStart(reply), 0x1194u);
  EXPECT_EQ(LastSessionStart(std::span(reply).first(11)), std::nullopt);
}

TEST(ReadCdDetail, HeaderAndSubHeaderGiveHeaderCodeEleven) {
  ReadCdDetail d;
  d.user_data = false;
  d.header = true;
  d.sub_header = true;
  EXPECT_EQ(DetailMainByte(d), 0x60);
  d.sub_header = false;
  EXPECT_EQ(DetailMainByte(d), 0x20);
  d = ReadCdDetail{
      true, true, true, true, true, ErrorFieldOption::kC2AndBlock, SubChannelOption::kPw};
  EXPECT_EQ(DetailMainByte(d), 0xFC);
  EXPECT_EQ(DetailSubByte(d), 4);
  EXPECT_EQ(DetailCommandLine(d), "be 00 00 00 00 00 00 00 00 fc 04 00 ");
  Cdb cdb{};
  cdb[9] = 0xFF;
  cdb[10] = 0xFF;
  cdb[11] = 0x33;
  ApplyDetail(ReadCdDetail{}, &cdb);
  EXPECT_EQ(cdb, Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0x33}));
}

TEST(ReadCdDetail, OpeningTakesTheOptionsFromBytesNineAndTen) {
  struct Case {
    std::uint8_t main, sub;
    ErrorFieldOption error;
    SubChannelOption channel;
  };
  const Case cases[] = {
      {0x00, 0, ErrorFieldOption::kNone, SubChannelOption::kNone},
      {0x02, 1, ErrorFieldOption::kC2Error, SubChannelOption::kRaw},
      {0x04, 2, ErrorFieldOption::kC2AndBlock, SubChannelOption::kQ},
      // Both error bits (reserved 11b): C2 Error wins; P-W wins over Q and RAW.
      {0x06, 7, ErrorFieldOption::kC2Error, SubChannelOption::kPw},
      {0x00, 3, ErrorFieldOption::kNone, SubChannelOption::kQ},
  };
  for (const Case& c : cases) {
    Cdb cdb{};
    cdb[9] = c.main;
    cdb[10] = c.sub;
    const ReadCdDetail d = DetailOfCdb(cdb);
    EXPECT_EQ(d.error_field, c.error) << int{c.main};
    EXPECT_EQ(d.sub_channel, c.channel) << int{c.sub};
  }
  // Every option set survives the way to the CDB and back.
  for (int bits = 0; bits < 32 * 3 * 4; ++bits) {
    const auto on = [bits](int bit) { return (bits >> bit & 1) != 0; };
    const ReadCdDetail o{on(0),
                         on(1),
                         on(2),
                         on(3),
                         on(4),
                         static_cast<ErrorFieldOption>(bits / 32 % 3),
                         static_cast<SubChannelOption>(bits / 96)};
    Cdb c{};
    ApplyDetail(o, &c);
    EXPECT_EQ(DetailOfCdb(c), o) << bits;
  }
}

TEST(DumpBuffer, DataEndingInFillBytesIsShortenedOnlyWhenTheWholeBufferIsReported) {
  DumpBuffer b;
  EXPECT_FALSE(b.allocated());
  ASSERT_TRUE(b.Prepare(1));
  const std::size_t size = b.request().size();
  EXPECT_EQ(size, DumpRequestBytes(1));
  EXPECT_GE(size, kDumpBlockBytes);
  EXPECT_EQ(size % 512, 0u);
  for (std::uint8_t x : b.request()) ASSERT_EQ(x, 0x5A);
  // The drive wrote 2048 bytes, the last three of them 5Ah, and the path reported the whole
  // buffer: the data end at the last byte that is not 5Ah.
  for (std::size_t i = 0; i < 2045; ++i) b.request()[i] = static_cast<std::uint8_t>(i);
  b.request()[2044] = 0x11;
  b.request()[2045] = b.request()[2046] = b.request()[2047] = 0x5A;
  b.SetValid(static_cast<std::uint32_t>(size));
  EXPECT_EQ(b.valid().size(), 2045u);
  // A shorter count is believed, 5Ah bytes and all.
  b.SetValid(2048);
  EXPECT_EQ(b.valid().size(), 2048u);
  // More than the buffer is not believed beyond it.
  b.SetValid(0xFFFFFFFFu);
  EXPECT_EQ(b.valid().size(), 2045u);
  b.SetValid(0);
  EXPECT_TRUE(b.valid().empty());
  // All 5Ah: nothing valid.
  ASSERT_TRUE(b.Prepare(1));
  b.SetValid(static_cast<std::uint32_t>(size));
  EXPECT_TRUE(b.valid().empty());

  // It keeps its capacity and refills each read.
  ASSERT_TRUE(b.Prepare(3));
  EXPECT_EQ(b.capacity_blocks(), 3u);
  b.request()[0] = 1;
  ASSERT_TRUE(b.Prepare(1));
  EXPECT_EQ(b.capacity_blocks(), 3u);
  EXPECT_EQ(b.request().size(), DumpRequestBytes(1));
  EXPECT_EQ(b.request()[0], 0x5A);
  ASSERT_TRUE(b.Prepare(10));
  EXPECT_EQ(b.capacity_blocks(), 10u);
  EXPECT_EQ(b.request().size(), DumpRequestBytes(10));
  EXPECT_GE(DumpRequestBytes(10), 10 * kDumpBlockBytes);
}

TEST(SectorDumpKeys, RoundTripAndPacking) {
  SectorDump d;
  d.mode = DumpAddressMode::kMsf;
  d.lba_text = "1a";
  d.length_text = "5";
  d.start = {"01", "02", "03"};
  d.end = {"74", "59", "74"};
  d.grouping_index = 5;
  d.sector_cdb[9] = 0xF8;
  d.sector_cdb[10] = 0x02;
  const SectorDumpKeys k = d.Keys(true);
  EXPECT_EQ(k.dump_mode, 1);
  EXPECT_EQ(k.lba, 26);  // what the field means, not its leading decimal digits
  EXPECT_EQ(k.block, 5);
  EXPECT_EQ(k.start_msf, 1 * 65536 + 2 * 256 + 3);
  EXPECT_EQ(k.end_msf, 74 * 65536 + 59 * 256 + 74);
  EXPECT_EQ(k.dump_kind, 5);
  EXPECT_EQ(k.sector_com, d.sector_cdb);
  SectorDump e;
  e.ApplyKeys(k, false);
  EXPECT_EQ(e.mode, DumpAddressMode::kMsf);
  EXPECT_EQ(e.lba_text, "26");
  EXPECT_EQ(e.length_text, "5");
  EXPECT_EQ(e.start, d.start);
  EXPECT_EQ(e.end, d.end);
  EXPECT_EQ(e.grouping_index, 5);
  EXPECT_EQ(e.sector_cdb, d.sector_cdb);
  // A field that does not parse is saved by its leading decimal number.
  d.lba_text = "12zz";
  EXPECT_EQ(d.Keys(false).lba, 12);
  // Out-of-range modes and groupings fall back.
  SectorDumpKeys bad;
  bad.dump_mode = 7;
  bad.dump_kind = 9;
  bad.lba = -1;
  e.ApplyKeys(bad, false);
  EXPECT_EQ(e.mode, DumpAddressMode::kLba);
  EXPECT_EQ(e.grouping_index, 0);
  EXPECT_EQ(e.lba_text, "4294967295");
  EXPECT_EQ(SectorDump().Keys(false).sector_com, DefaultSectorCdb());
}

TEST(SectorDumpText, FormatsEveryValidByteOrNoData) {
  EXPECT_EQ(FormatSectorDump({}, 4), "No Data");
  std::vector<std::uint8_t> data(3000, 0x41);  // more than the console's dump shows
  std::string expected;
  DumpHex(data, &expected, true, 4);
  EXPECT_EQ(FormatSectorDump(data, 4), expected);
}

}  // namespace
}  // namespace tamarack
