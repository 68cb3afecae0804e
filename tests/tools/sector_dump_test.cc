#include "tools/sector_dump.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "device/device_session.h"  // MakeCdb
#include "golden.h"
#include "tools/dump_buffer.h"
#include "tools/dump_number.h"
#include "tools/read_cd_detail.h"
#include "tools/sector_cdb.h"
#include "util/strings.h"

namespace tamarack {
namespace {

// Edits the tab's fields and prepares reads step by step, comparing the transcript with
// tests/data/tools/NAME.txt. Steps: "lba TEXT", "length TEXT", "start M S F", "end M S F"
// (MSF mode), "vds [LBA]" (volume descriptor mode, with the LBA a read found, and its
// caption), then "none", "next" or "previous" (the buttons), " hex" for hexadecimal entry.
// After each read: the fields, the request or its absence, the messages.
void ExpectPreparations(const std::string& name, const std::vector<std::string_view>& steps) {
  SectorDump d;
  std::string t;
  for (std::string_view step : steps) {
    t += "> " + std::string(step) + "\n";
    const std::string verb(step.substr(0, step.find(' ')));
    const std::string value(step.size() > verb.size() ? step.substr(verb.size() + 1) : "");
    std::istringstream words(value);
    if (verb == "lba") d.lba_text = value;
    if (verb == "length") d.length_text = value;
    if (verb == "start" || verb == "end") {
      d.mode = DumpAddressMode::kMsf;
      MsfText& msf = verb == "start" ? d.start : d.end;
      words >> msf[0] >> msf[1] >> msf[2];
    }
    if (verb == "vds") {
      d.mode = DumpAddressMode::kVolumeDescriptor;
      if (!value.empty()) d.SetVolumeDescriptorLba(static_cast<std::uint32_t>(std::stoul(value)));
      t += "caption " + d.VolumeDescriptorCaption() + "\n";
    }
    if (verb != "none" && verb != "next" && verb != "previous") continue;
    const DumpStep button = verb == "next"       ? DumpStep::kNext
                            : verb == "previous" ? DumpStep::kPrevious
                                                 : DumpStep::kNone;
    const DumpPreparation p = d.Prepare(button, value == "hex");
    t += "fields " + d.lba_text + " " + d.length_text + " " + d.start[0] + ":" + d.start[1] + ":" +
         d.start[2] + " " + d.end[0] + ":" + d.end[1] + ":" + d.end[2] + "\n";
    if (p.request && p.request->mode == DumpAddressMode::kVolumeDescriptor) {
      t += StrFormat("read the volume descriptor, blocks %u\n", p.request->blocks);
    } else if (p.request) {
      t += StrFormat("read lba %u blocks %u frames %u-%u cdb ", p.request->lba, p.request->blocks,
                     p.request->start_frames, p.request->end_frames) +
           HexBytes(p.request->CommandCdb()) + "\n";
    }
    for (const std::string& m : p.messages) t += "message " + m + "\n";
  }
  testing::ExpectGoldenFile(name + ".txt", t, "tools");
}

// Each run of the tab's fields against its golden file, its steps those of the file.
// dump_cut_length: a length above ten is cut with the message (in the field's base; ten itself
// is no cut); dump_cut_msf_range: an MSF range above ten moves the end, with a full stop.
// dump_volume_descriptor: one block whatever the fields say; a step leaves it for LBA mode at
// the block the read found. dump_parameter_errors: they stop the read and step nothing, a bad
// LBA before a bad length. dump_lba_steps: forward and back, not below zero nor past the top of
// the range; in hexadecimal entry both fields read in hex and the length is cut first; the
// execute button reads where the field stands. dump_msf_steps: start and end move together,
// across second and minute boundaries, and back only while the start stays at or above
// 00:00:00.
TEST(SectorDumpPrepare, EachRunOfTheFields) {
  for (const char* name : {"dump_cut_length", "dump_cut_msf_range", "dump_volume_descriptor",
                           "dump_parameter_errors", "dump_lba_steps", "dump_msf_steps"}) {
    ExpectPreparations(name, testing::StepsOf(name, "tools"));
  }
}

// Each quoted field text as a decimal and a hexadecimal entry, in
// tests/data/tools/dump_numbers.txt: a prefix, digits of another base, nothing after the prefix,
// empty, blanks, a sign, too long.
TEST(DumpNumber, PrefixBaseAndInvalidCharacters) {
  testing::ExpectEachInput("dump_numbers.txt", "tools", [](const std::string& quoted) {
    const std::string text = quoted.substr(1, quoted.size() - 2);
    const auto said = [](std::optional<std::uint32_t> v) {
      return v ? std::to_string(*v) : std::string("refused");
    };
    return "decimal " + said(ParseDumpNumber(text, false)) + ", hex " +
           said(ParseDumpNumber(text, true));
  });
}

TEST(SectorCdb, ReadCdAndReadCdMsfCarryTheFieldSelection) {
  Cdb sector{};
  sector[1] = 0x1D;  // ignored: the dump asks for any sector type
  sector[2] = 0x77;  // rebuilt for each read
  sector[9] = 0xF8;
  sector[10] = 0x02;
  sector[11] = 0x55;
  EXPECT_EQ(ReadCdCdb(0x01020304, 10, sector),
            MakeCdb({0xBE, 0, 1, 2, 3, 4, 0, 0, 10, 0xF8, 0x02, 0}));
  EXPECT_EQ(ReadCdMsfCdb(static_cast<std::uint32_t>(FramesOfMsf({1, 2, 3})),
                         static_cast<std::uint32_t>(FramesOfMsf({74, 59, 74})), sector),
            MakeCdb({0xB9, 0, 0, 1, 2, 3, 74, 59, 74, 0xF8, 0x02, 0}));
  EXPECT_EQ(MsfOfFrames(4500 * 3 + 75 * 7 + 9), (Msf{3, 7, 9}));
  const std::uint8_t reply[] = {0, 10, 1, 2, 0, 0x14, 2, 0, 0, 0, 0x11, 0x94};
  EXPECT_EQ(LastSessionStart(reply), 0x1194u);
  EXPECT_EQ(LastSessionStart(std::span(reply).first(11)), std::nullopt);
}

// Bytes 9 and 10 of a CDB opened in the detail dialog, what the dialog takes from them and
// the bytes it writes back over FF FF (byte 11 kept), in tests/data/tools/read_cd_detail.txt:
// Header and Sub-header give header code 11b; of both error bits (reserved 11b) C2 Error wins;
// P-W wins over Q and RAW.
TEST(ReadCdDetail, OpeningAndWritingBytesNineAndTen) {
  std::string t;
  const std::pair<std::uint8_t, std::uint8_t> opened[] = {{0x00, 0}, {0x20, 0}, {0x40, 0},
                                                          {0x60, 0}, {0xFC, 4}, {0x02, 1},
                                                          {0x04, 2}, {0x06, 7}, {0x00, 3}};
  for (const auto& [main, sub] : opened) {
    const ReadCdDetail d = DetailOfCdb(MakeCdb({0, 0, 0, 0, 0, 0, 0, 0, 0, main, sub}));
    Cdb written = MakeCdb({0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0x33});
    ApplyDetail(d, &written);
    t += StrFormat("%02x %02x: error %d channel %d, bytes %02x %02x, written ", main, sub,
                   static_cast<int>(d.error_field), static_cast<int>(d.sub_channel),
                   DetailMainByte(d), DetailSubByte(d)) +
         HexBytes(written) + ", line " + DetailCommandLine(d) + "\n";
  }
  testing::ExpectGoldenFile("read_cd_detail.txt", t, "tools");
  // Every option set survives the way to the CDB and back.
  for (int bits = 0; bits < 32 * 3 * 4; ++bits) {
    const auto on = [bits](int bit) { return (bits >> bit & 1) != 0; };
    const auto error = static_cast<ErrorFieldOption>(bits / 32 % 3);
    const auto sub = static_cast<SubChannelOption>(bits / 96);
    const ReadCdDetail o{on(0), on(1), on(2), on(3), on(4), error, sub};
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
  // The drive wrote 2048 bytes, 5Ah among them and as the last three. A count of the whole buffer
  // (or more) ends the data at the last byte that is not 5Ah; a shorter count is believed, 5Ah
  // bytes and all.
  for (std::size_t i = 0; i < 2045; ++i) b.request()[i] = static_cast<std::uint8_t>(i);
  for (const auto& [count, valid] : std::initializer_list<std::pair<std::uint32_t, std::size_t>>{
           {static_cast<std::uint32_t>(size), 2045}, {2048, 2048}, {0xFFFFFFFFu, 2045}, {0, 0}}) {
    b.SetValid(count);
    EXPECT_EQ(b.valid().size(), valid) << count;
  }
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
  const auto text = [](const SectorDumpKeys& k) {
    return StrFormat("kind %d mode %d lba %d block %d msf %06x-%06x cdb ", k.dump_kind, k.dump_mode,
                     k.lba, k.block, k.start_msf, k.end_msf) +
           HexBytes(k.sector_com);
  };
  // The LBA is what the field means, not its leading decimal digits; the MSF packed by bytes.
  const SectorDumpKeys k = d.Keys(true);
  EXPECT_EQ(text(k),
            "kind 5 mode 1 lba 26 block 5 msf 010203-4a3b4a cdb " + HexBytes(d.sector_cdb));
  SectorDump e;
  e.ApplyKeys(k, false);
  EXPECT_EQ(text(e.Keys(false)), text(k));
  EXPECT_EQ(e.lba_text, "26");
  EXPECT_EQ(e.start, d.start);
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

}  // namespace
}  // namespace tamarack
