// Disc images: ISO and cue sheets (where a sheet puts its tracks, CD-TEXT from a sheet), the
// formats beside BINARY files (WAVE, MODE2/2336, CD+G), Nero images, cdrdao TOC sheets; files
// that are not regular.
#include "emu/image_disc.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "decode/read_toc.h"
#include "device/trace_reader.h"
#include "emu/built_in_discs.h"
#include "emu/cd_text.h"
#include "emu/drive_harness.h"
#include "emu/sector_encoder.h"
#include "emu/sub_q.h"
#include "emu/subchannel.h"
#include "emu/test_sector.h"
#include "golden.h"
#include "temp_dir.h"
#include "util/bytes.h"
#include "util/strings.h"

namespace tamarack::emu {
namespace {

namespace fs = std::filesystem;

using ::testing::HasSubstr;
using testing::RawBlocks;
using testing::Read10Command;
using testing::ReadRaw;
using testing::RefusalOf;

// 2048-byte user blocks of type13 from `first` on.
std::vector<std::uint8_t> UserBlocks(std::int32_t first, std::int32_t blocks) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(blocks) * 2048);
  for (std::int32_t i = 0; i < blocks; ++i) {
    FillTestSector(first + i,
                   std::span<std::uint8_t>(out.data() + static_cast<std::size_t>(i) * 2048, 2048));
  }
  return out;
}

// `blocks` audio blocks whose every byte is the block's number (mod 256).
std::vector<std::uint8_t> NumberedBlocks(std::size_t blocks, std::size_t size = 2352) {
  std::vector<std::uint8_t> out(blocks * size);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i / size);
  return out;
}

using IsoImageTest = testing::ImageTest;
using CueImageTest = testing::ImageTest;

TEST_F(IsoImageTest, BlocksAreCompletedByTheEncoder) {
  dir.Write("disc.iso", UserBlocks(0, 40));
  const auto disc = testing::Opened(dir.File("disc.iso"));
  ASSERT_TRUE(disc);
  const DiscLayout& l = disc->Layout();
  ASSERT_EQ(l.tracks.size(), 1u);
  EXPECT_EQ(l.LeadoutStart(), 40);
  EXPECT_EQ(l.tracks[0].mode, TrackMode::kMode1);
  // The same sectors as the built-in type13 disc, since the user data agree.
  auto t13 = MakeType13Disc();
  for (std::int32_t lba : {0, 16, 39}) {
    const RawSector a = ReadRaw(*disc, lba);
    EXPECT_EQ(a.main, ReadRaw(*t13, lba).main) << lba;
    EXPECT_EQ(a.sub, ReadRaw(*t13, lba).sub) << lba;
  }
  // Pregap and lead-out are generated.
  EXPECT_TRUE(CheckSector(ReadRaw(*disc, -150).main).Ok());
  EXPECT_EQ(QFromRaw(ReadRaw(*disc, 45).sub)[1], kLeadoutTrack);
  RawSector s;
  std::string error;
  EXPECT_FALSE(disc->ReadSector(40 + 6750, &s, &error));
}

// An .iso read through the drive: the blocks go straight into the caller's buffer, a run at a
// time where the drive has no block faults, block by block where it has; either way the buffer
// holds the image's bytes and keeps its fill past them, and a file that shrank is a read error
// at the first block it lost.
TEST_F(IsoImageTest, ReadsThroughTheDriveGiveTheImagesBytes) {
  const std::vector<std::uint8_t> image = UserBlocks(0, 40);
  dir.Write("disc.iso", image);
  const std::string iso = "emu:" + dir.File("disc.iso") + "?speed=max";
  // Read(10) and Read CD of 16 blocks from block 3, into 16 blocks or 20 blocks of room.
  constexpr std::size_t kBytes = 16 * 2048;
  for (const std::string& id : {iso, iso + "&corrupt=39"}) {
    for (const std::size_t size : {kBytes, kBytes + 4 * 2048}) {
      testing::DriveHarness h(id);
      const testing::Reply reply = h.In(
          size == kBytes ? Read10Command(3, 16) : Cdb{0xBE, 0, 0, 0, 0, 3, 0, 0, 16, 0x10}, size);
      ASSERT_TRUE(reply.good()) << id << " " << reply.status_line;
      EXPECT_EQ(reply.transferred, kBytes) << id;
      EXPECT_TRUE(
          std::equal(image.begin() + 3 * 2048, image.begin() + 19 * 2048, reply.data.begin()))
          << id << " " << size;
      EXPECT_EQ(testing::DriveHarness::Runs(reply.data, kBytes),
                size > kBytes ? StrFormat(" 5a*%zu", size - kBytes) : "")
          << id;
    }
  }

  testing::DriveHarness h(iso);
  fs::resize_file(dir.File("disc.iso"), 2048 * 10);
  const testing::Reply lost = h.In(Read10Command(3, 16), 16 * 2048);
  EXPECT_EQ(lost.status_line,
            "Error Notified( UNRECOVERED READ ERROR). Information 10 (0000000ah)");
  EXPECT_EQ(ReadBe32(lost.result.sense, 3), 10u);
  EXPECT_TRUE(
      std::equal(lost.data.begin(), lost.data.begin() + 7 * 2048, image.begin() + 3 * 2048));
}

TEST_F(IsoImageTest, BadIsoFiles) {
  // A DVD-sized image (sparse) is refused, not cut short.
  const struct {
    const char* name;
    std::uintmax_t size;
    const char* error;
  } isos[] = {{"odd.iso", 5000, "odd.iso: 5000 bytes is not a whole number"},
              {"empty.iso", 0, "empty.iso"},
              {"big.iso", 2048ull * 443101, "big.iso: 443101 blocks are more than a CD holds"}};
  for (const auto& iso : isos) {
    dir.Write(iso.name, std::vector<std::uint8_t>{});
    fs::resize_file(dir.File(iso.name), iso.size);
    EXPECT_THAT(RefusalOf(dir.File(iso.name)), HasSubstr(iso.error));
  }
  EXPECT_THAT(RefusalOf(dir.File("missing.iso")), HasSubstr("missing.iso: cannot open"));
  EXPECT_THAT(RefusalOf(dir.File("disc.img")), HasSubstr("unknown image type"));
}

TEST_F(CueImageTest, SeveralTracksAndFiles) {
  fs::create_directory(dir.File("sub dir"));
  auto t13 = MakeType13Disc();
  // data.bin: 30 raw Mode 1 blocks (track 1). "sub dir/audio one.bin": 2 s of pregap and 20
  // blocks of track 2, 10 blocks of track 3 with an index 2.
  dir.Write("data.bin", RawBlocks(*t13, 0, 30));
  std::vector<std::uint8_t> audio(150 * 2352, 0x00);
  audio.resize(170 * 2352, 0x22);
  audio.resize(180 * 2352, 0x33);
  dir.Write("sub dir/audio one.bin", audio);
  dir.Write("tail.bin", UserBlocks(1000, 5));
  dir.Write("disc.cue", tamarack::testing::ReadGoldenText("several_tracks.cue", "emu"));
  const auto disc = testing::Opened(dir.File("disc.cue"));
  ASSERT_TRUE(disc);
  // The layout the sheet gives, then blocks of it as read, in several_tracks.txt: track 2's
  // pregap of 2 s, flags and ISRC, track 3's index 2 and its postgap of 10 blocks, track 4's
  // PREGAP; raw blocks as the files hold them, generated postgap (silence) and PREGAP (Mode 1
  // zeros) blocks, completed 2048-byte blocks (LBA 1000's address text, as written, but the
  // header of its place), Q following the sheet.
  std::string t = testing::LayoutText(disc->Layout());
  for (std::int32_t lba : {7, 31, 185, 206, 209, 215, 300, 370, 375}) {
    const RawSector s = ReadRaw(*disc, lba);
    const SubQ q = QFromRaw(s.sub);
    std::string text(reinterpret_cast<const char*>(s.main.data()) + 29, 9);
    for (char& c : text) c = std::isprint(static_cast<unsigned char>(c)) ? c : '.';
    t += StrFormat("block %d: ", lba) + HexBytes(std::span(s.main).first(16)) + "| " + text +
         StrFormat(" | byte 100 %02x | ", s.main[100]) +
         (CheckSector(s.main).Ok() ? "sector ok" : "no sector") + " | q " + HexBytes(q) +
         (SubQCrcOk(q) ? "\n" : " (CRC bad)\n");
  }
  tamarack::testing::ExpectGoldenFile("several_tracks.txt", t, "emu");
  EXPECT_EQ(ReadRaw(*disc, 7).main, ReadRaw(*t13, 7).main);
}

TEST_F(CueImageTest, MalformedSheets) {
  dir.Write("a.bin", NumberedBlocks(300));
  const auto cases = testing::CasesOf("malformed_sheets.txt");
  EXPECT_EQ(cases.size(), 23u);
  for (const auto& [reason, sheet] : cases) {
    dir.Write("bad.cue", sheet);
    EXPECT_THAT(RefusalOf(dir.File("bad.cue")), HasSubstr(dir.File("bad.cue") + ":" + reason));
  }
  dir.Write("bad.cue", "FILE missing.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
  EXPECT_THAT(RefusalOf(dir.File("bad.cue")),
              HasSubstr(":1: " + dir.File("missing.bin") + ": cannot open"));
  EXPECT_THAT(RefusalOf(dir.File("none.cue")), HasSubstr("none.cue: cannot open"));
}

TEST_F(CueImageTest, TruncatedBin) {
  dir.Write("t.bin", std::vector<std::uint8_t>(10 * 2352 - 100, 5));
  dir.Write("t.cue", "FILE t.bin BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  EXPECT_THAT(RefusalOf(dir.File("t.cue")),
              HasSubstr(dir.File("t.cue") + ":2: t.bin is truncated"));

  // A file that shrinks after the image was opened gives a read error, not a crash.
  dir.Write("s.bin", NumberedBlocks(10));
  dir.Write("s.cue", "FILE s.bin BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  const auto disc = testing::Opened(dir.File("s.cue"));
  ASSERT_TRUE(disc);
  fs::resize_file(dir.File("s.bin"), 2352 * 4);
  RawSector s;
  std::string why;
  EXPECT_TRUE(disc->ReadSector(3, &s, &why)) << why;
  EXPECT_FALSE(disc->ReadSector(8, &s, &why));
  EXPECT_THAT(why, HasSubstr("s.bin"));
}

// The TOC (format 0) the virtual drive serves for an image: each track's LBA, then the
// lead-out's.
std::vector<std::int32_t> ServedToc(const std::string& path) {
  testing::DriveHarness h("emu:" + path + "?speed=max");
  const testing::Reply r = h.In({0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24}, 804);
  EXPECT_TRUE(r.good()) << r.status_line;
  std::vector<std::int32_t> lbas;
  for (std::size_t at = 4; at + 8 <= std::size_t{ReadBe16(r.data, 0)} + 2; at += 8) {
    lbas.push_back(static_cast<std::int32_t>(ReadBe32(r.data, at + 4)));
  }
  return lbas;
}

// The CD-Text of a Read TOC format 5 reply as the decoder puts it together (past its dump).
std::string DecodedCdText(const std::vector<std::uint8_t>& reply) {
  std::string text = DecodeReadToc(reply, 0, 5, false).text;
  std::erase(text, '\r');
  const std::size_t blocks = text.find("CD-TEXT Block");
  return blocks == std::string::npos ? text : text.substr(blocks);
}

using DiscFormatsTest = testing::ImageTest;

// Where a sheet puts track 1, each case of track_one_sheets.txt.
TEST_F(DiscFormatsTest, PlacementOfTrackOne) {
  dir.Write("a.bin", NumberedBlocks(302));
  const auto cases = testing::CasesOf("track_one_sheets.txt");
  EXPECT_EQ(cases.size(), 4u);
  for (const auto& [expected, indexes] : cases) {
    dir.Write("a.cue", "FILE a.bin BINARY\nTRACK 01 AUDIO\n" + indexes);
    const auto disc = testing::Opened(dir.File("a.cue"));
    ASSERT_TRUE(disc);
    std::string t = "toc";
    const std::vector<std::int32_t> toc = ServedToc(dir.File("a.cue"));
    for (std::int32_t lba : toc) t += " " + std::to_string(lba);
    ASSERT_EQ(toc.size(), 3u) << indexes;
    testing::DriveHarness h("emu:" + dir.File("a.cue") + "?speed=max");
    const testing::Reply r = h.In(testing::ReadCdCommand(0, 2), 2 * 2352);
    const SubQ q = QFromRaw(ReadRaw(*disc, toc[0] > 0 ? 0 : -1).sub);
    t += StrFormat(
        ", LBA 0 holds block %d, LBA %d block %d, Read CD from 0 blocks %d %d, before "
        "index 1 track %02x index %02x",
        ReadRaw(*disc, 0).main[0], toc[0], ReadRaw(*disc, toc[0]).main[0], r.data[0], r.data[2352],
        q[1], q[2]);
    EXPECT_EQ(t, expected) << indexes;
  }
}

// The sheet's texts come back as Read TOC format 5 packs, through the drive, and the decoder
// puts them together again; a pack with a wrong CRC is flagged.
TEST_F(DiscFormatsTest, CdTextFromTheSheet) {
  dir.Write("a.bin", NumberedBlocks(302));
  dir.Write("a.cue", tamarack::testing::ReadGoldenFile("cd_text_sheet.cue", "emu"));
  testing::DriveHarness h("emu:" + dir.File("a.cue") + "?speed=max");
  testing::Reply r = h.In({0x43, 0, 0x05, 0, 0, 0, 0, 0x10, 0x00}, 4096);
  ASSERT_TRUE(r.good()) << r.status_line;
  const std::size_t length = std::size_t{ReadBe16(r.data, 0)} + 2;
  ASSERT_EQ((length - 4) % 18, 0u);
  std::vector<std::uint8_t> reply(r.data.begin(),
                                  r.data.begin() + static_cast<std::ptrdiff_t>(length));
  // The decoded texts (none but those written), then each pack's type, track, sequence number
  // and character position (the title that spans packs goes on 4 characters into the next)
  // and whether its CRC holds, in cd_text_sheet.txt.
  std::string t = DecodedCdText(reply);
  std::vector<CdTextPack> packs;
  for (std::size_t at = 4; at < length; at += 18) {
    CdTextPack p{};
    std::copy_n(reply.begin() + static_cast<std::ptrdiff_t>(at), 18, p.begin());
    t += "pack " + HexBytes(std::span(p).first(4)) + (CdTextPackCrcOk(p) ? "\n" : "CRC bad\n");
    packs.push_back(p);
  }
  tamarack::testing::ExpectGoldenFile("cd_text_sheet.txt", t, "emu");

  // The audio disc's packs pass the decoder's own CRC check: decode/audio_cd_text.txt.
  reply[4 + 18 + 7] ^= 0x20;  // pack 1's text
  CdTextPack broken = packs[1];
  broken[7] ^= 0x20;
  EXPECT_FALSE(CdTextPackCrcOk(broken));
  const DecodeOutput bad = DecodeReadToc(reply, 0, 5, false);
  EXPECT_THAT(bad.text, HasSubstr("CRC Error in 1 of"));
  EXPECT_THAT(bad.rows[1].cells[5], HasSubstr("CRC Error"));
  EXPECT_THAT(bad.rows[0].cells[5], Not(HasSubstr("CRC Error")));

  // The same packs from a CDTEXTFILE (with Read TOC's header) replace the sheet's texts.
  dir.Write("a.cdt", std::vector<std::uint8_t>(
                         r.data.begin(), r.data.begin() + static_cast<std::ptrdiff_t>(length)));
  dir.Write("b.cue",
            "CDTEXTFILE a.cdt\nTITLE \"ignored\"\nFILE a.bin BINARY\nTRACK 01 AUDIO\n"
            "INDEX 01 00:00:00\n");
  const auto disc = testing::Opened(dir.File("b.cue"));
  ASSERT_TRUE(disc);
  EXPECT_EQ(disc->Layout().cd_text_packs, packs);
  dir.Write("a.cdt", std::string(41, 'x'));
  EXPECT_THAT(RefusalOf(dir.File("b.cue")),
              HasSubstr(":1: " + dir.File("a.cdt") + ": 41 bytes are not whole"));
}

std::string RiffWave(int channels, int bits, const std::vector<std::uint8_t>& samples,
                     std::uint32_t data_size) {
  std::string w;
  const auto le = [&w](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) w.push_back(static_cast<char>(v >> (8 * i)));
  };
  const auto u = [](int v) { return static_cast<std::uint32_t>(v); };
  w += "RIFF";
  le(static_cast<std::uint32_t>(4 + 8 + 16 + 8 + 3 + 1 + 8 + samples.size()), 4);
  w += "WAVEfmt ";
  le(16, 4);
  le(1, 2);
  le(u(channels), 2);
  le(44100, 4);
  le(u(44100 * channels * bits / 8), 4);
  le(u(channels * bits / 8), 2);
  le(u(bits), 2);
  w += std::string("LIST\3\0\0\0abc\0", 12);  // a chunk of odd length, padded, before the samples
  w += "data";
  le(data_size, 4);
  w.append(samples.begin(), samples.end());
  return w;
}

TEST_F(DiscFormatsTest, WaveFiles) {
  const std::vector<std::uint8_t> samples = NumberedBlocks(200);
  dir.Write("a.wav", RiffWave(2, 16, samples, static_cast<std::uint32_t>(samples.size())));
  dir.Write("a.cue",
            "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
            "INDEX 01 00:01:00\n");
  EXPECT_EQ(ServedToc(dir.File("a.cue")), (std::vector<std::int32_t>{0, 75, 200}));
  const auto disc = testing::Opened(dir.File("a.cue"));
  ASSERT_TRUE(disc);
  EXPECT_EQ(ReadRaw(*disc, 0).main[0], 0);
  EXPECT_EQ(ReadRaw(*disc, 199).main[2351], 199);

  const struct {
    std::string file;
    const char* error;
  } bad[] = {
      {RiffWave(1, 16, samples, 200 * 2352), "1 channels, 44100 Hz, 16 bits: only PCM"},
      {RiffWave(2, 8, samples, 200 * 2352), "8 bits: only PCM"},
      {RiffWave(2, 16, samples, 300 * 2352), "the WAVE data chunk says 705600 bytes"},
      {RiffWave(2, 16, samples, 200 * 2352).substr(0, 40), "no WAVE data chunk"},
      {std::string("RIFF\x10\0\0\0AVI LIST", 16), "not a RIFF WAVE file"},
      {RiffWave(2, 16, samples, 200 * 2352 - 100),
       "a.wav is truncated: track 2 ends inside a 2352-byte block"},
  };
  for (const auto& b : bad) {
    dir.Write("a.wav", b.file);
    EXPECT_THAT(RefusalOf(dir.File("a.cue")), HasSubstr(b.error));
  }
  dir.Write("a.cue", "FILE \"a.wav\" WAVE\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n");
  EXPECT_THAT(RefusalOf(dir.File("a.cue")), HasSubstr(":2: a WAVE file holds AUDIO tracks"));
}

// MODE2/2352 blocks are the file's own bytes, header address included: no repair. MODE2/2336
// blocks are the raw blocks without sync and header; CD+G blocks carry the 96 sub-channel bytes
// after each raw block, of which the drive serves the R-W bits.
TEST_F(DiscFormatsTest, Mode2BodiesAndCdGraphics) {
  auto ms = MakeMultisessionDisc();
  const std::int32_t first = ms->Layout().tracks[3].start;
  dir.Write("raw.bin", RawBlocks(*ms, first, 12));
  dir.Write("raw.cue", "FILE \"raw.bin\" BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n");
  const auto raw = testing::Opened(dir.File("raw.cue"));
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->Layout().sessions[0].disc_type, 0x20);
  EXPECT_EQ(raw->Layout().tracks[0].mode, TrackMode::kMode2Form1);
  EXPECT_EQ(ReadRaw(*raw, 3).main, ReadRaw(*ms, first + 3).main);

  std::vector<std::uint8_t> bodies;
  for (std::int32_t i = 0; i < 12; ++i) {
    const RawSector s = ReadRaw(*ms, first + i);
    bodies.insert(bodies.end(), s.main.begin() + 16, s.main.end());
  }
  dir.Write("xa.bin", bodies);
  dir.Write("xa.cue", "FILE xa.bin BINARY\nTRACK 01 MODE2/2336\nINDEX 01 00:00:00\n");
  const auto xa = testing::Opened(dir.File("xa.cue"));
  ASSERT_TRUE(xa);
  EXPECT_EQ(xa->Layout().sessions[0].disc_type, 0x20);
  // The body as written, the header of its new place: the same as the raw block one session on.
  const RawSector got = ReadRaw(*xa, 5);
  const RawSector want = ReadRaw(*ms, first + 5);
  EXPECT_TRUE(std::equal(got.main.begin() + 16, got.main.end(), want.main.begin() + 16));
  EXPECT_EQ(got.main[15], 2);
  EXPECT_EQ(std::vector<std::uint8_t>(got.main.begin() + 12, got.main.begin() + 15),
            (std::vector<std::uint8_t>{0x00, 0x02, 0x05}));

  std::vector<std::uint8_t> cdg;
  for (std::size_t b = 0; b < 20; ++b) {
    cdg.insert(cdg.end(), 2352, static_cast<std::uint8_t>(b));
    for (std::size_t i = 0; i < 96; ++i) cdg.push_back(static_cast<std::uint8_t>(0xC0 | (b + i)));
  }
  dir.Write("k.bin", cdg);
  dir.Write("k.cue", "FILE k.bin BINARY\nTRACK 01 CDG\nINDEX 01 00:00:00\n");
  testing::DriveHarness h("emu:" + dir.File("k.cue") + "?speed=max");
  const testing::Reply r = h.In(testing::ReadCdCommand(7, 1, {.main = 0x10, .sub = 0x01}), 2448);
  ASSERT_TRUE(r.good()) << r.status_line;
  EXPECT_EQ(r.data[0], 7);
  std::array<std::uint8_t, 96> sub{};
  std::copy_n(r.data.begin() + 2352, 96, sub.begin());
  for (std::size_t i = 0; i < 96; ++i) EXPECT_EQ(sub[i] & 0x3F, (7 + i) & 0x3F) << i;
  // P and Q are the drive's own: track 1, index 1, a good CRC.
  const SubQ q = QFromRaw(sub);
  EXPECT_TRUE(SubQCrcOk(q));
  EXPECT_EQ(q[1], 0x01);
  EXPECT_EQ(q[2], 0x01);
}

// A Nero image: the tracks' blocks, then the chunks, then the footer.
struct NrgTrack {
  std::uint8_t mode;
  std::uint16_t size;
  std::vector<std::uint8_t> blocks;  // pregap (index 0) blocks first
  std::size_t pregap_blocks;
};

// `v` big-endian in `bytes` bytes, or a chunk's four letters.
void PutBe(std::vector<std::uint8_t>* out, std::uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put(std::vector<std::uint8_t>* out, std::string_view letters) {
  out->insert(out->end(), letters.begin(), letters.end());
}

std::vector<std::uint8_t> NeroImage(const std::vector<NrgTrack>& tracks, bool v2) {
  std::vector<std::uint8_t> out, dao;
  const int wide = v2 ? 8 : 4;
  PutBe(&dao, 0, 4);
  Put(&dao, "4912345678904");
  dao.insert(dao.end(), {0, 0, 0, 1, static_cast<std::uint8_t>(tracks.size())});
  for (const NrgTrack& t : tracks) {
    const std::uint64_t index0 = out.size();
    out.insert(out.end(), t.blocks.begin(), t.blocks.end());
    dao.insert(dao.end(), 12, 0);
    PutBe(&dao, t.size, 2);
    dao.insert(dao.end(), {t.mode, 0, 0, 0});
    PutBe(&dao, index0, wide);
    PutBe(&dao, index0 + t.pregap_blocks * t.size, wide);
    PutBe(&dao, out.size(), wide);
  }
  const std::uint64_t chain = out.size();
  Put(&out, "MTYP");
  PutBe(&out, 4, 4);
  PutBe(&out, 1, 4);
  Put(&out, v2 ? "DAOX" : "DAOI");
  PutBe(&out, dao.size(), 4);
  out.insert(out.end(), dao.begin(), dao.end());
  Put(&out, "END!");
  PutBe(&out, 0, 4);
  Put(&out, v2 ? "NER5" : "NERO");
  PutBe(&out, chain, wide);
  return out;
}

TEST_F(DiscFormatsTest, NeroImages) {
  auto t13 = MakeType13Disc();
  const std::vector<std::uint8_t> data = testing::RawBlocks(*t13, -150, 180);
  for (bool v2 : {true, false}) {
    dir.Write("a.nrg",
              NeroImage({{0x05, 2352, data, 150}, {0x07, 2352, NumberedBlocks(40), 10}}, v2));
    EXPECT_EQ(ServedToc(dir.File("a.nrg")), (std::vector<std::int32_t>{0, 40, 70})) << v2;
    const auto disc = testing::Opened(dir.File("a.nrg"));
    ASSERT_TRUE(disc);
    EXPECT_EQ(disc->Layout().mcn, "4912345678904");
    EXPECT_EQ(ReadRaw(*disc, 17).main, ReadRaw(*t13, 17).main);
    EXPECT_EQ(ReadRaw(*disc, 30).main[0], 0);  // track 2's pregap, from the file
    EXPECT_EQ(ReadRaw(*disc, 69).main[0], 39);
  }
  // Hostile images: every offset checked against the file.
  std::vector<std::uint8_t> good = NeroImage({{0x07, 2352, NumberedBlocks(4), 0}}, true);
  auto with = [&](std::size_t at, std::uint8_t v) {
    std::vector<std::uint8_t> b = good;
    b[at] = v;
    return b;
  };
  const std::size_t dao_track = 4 * 2352 + 12 + 8 + 22;  // past MTYP and the DAO header
  const struct {
    std::vector<std::uint8_t> file;
    const char* error;
  } bad[] = {
      {with(good.size() - 7, 0x7F), "chunk offset"},
      {with(good.size() - 12, 'X'), "no Nero footer"},
      {with(dao_track + 14, 0x42), "track mode 42h"},
      {with(dao_track + 12, 0x19), "do not fit its mode"},
      {with(dao_track + 34 + 6, 0x7F), "no whole blocks within the file"},
      {with(4 * 2352 + 12 + 8 + 21, 9), "do not fit it"},
      {with(4 * 2352 + 12 + 7, 0xFF), "runs past the end"},
      {std::vector<std::uint8_t>(good.begin(), good.begin() + 5), "too short"},
  };
  for (const auto& b : bad) {
    dir.Write("a.nrg", b.file);
    EXPECT_THAT(RefusalOf(dir.File("a.nrg")), HasSubstr(b.error));
  }
}

TEST_F(DiscFormatsTest, CdrdaoTocSheets) {
  auto t13 = MakeType13Disc();
  dir.Write("d.bin", testing::RawBlocks(*t13, 0, 20));
  dir.Write("a.bin", NumberedBlocks(100));
  dir.Write("a.toc", tamarack::testing::ReadGoldenFile("toc_sheet.toc", "emu"));
  // Track 2's first 10 blocks are its index 0; track 3 has a generated pregap of 2 s.
  EXPECT_EQ(ServedToc(dir.File("a.toc")), (std::vector<std::int32_t>{0, 30, 245, 270}));
  const auto disc = testing::Opened(dir.File("a.toc"));
  ASSERT_TRUE(disc);
  // The layout (the catalogue number, track 2's copy flag, ISRC and pregap from 20, track 3's
  // index at 250) and the CD-Text, in toc_sheet.txt.
  const DiscLayout& l = disc->Layout();
  EXPECT_EQ(ReadRaw(*disc, 17).main, ReadRaw(*t13, 17).main);
  for (const auto& [lba, block] : {std::pair{20, 0}, {30, 10}, {94, 74}, {246, 76}, {269, 99}}) {
    EXPECT_EQ(ReadRaw(*disc, lba).main[0], block) << lba;
  }
  std::vector<std::uint8_t> reply(4);
  WriteBe16(reply, 0, static_cast<std::uint16_t>(2 + 18 * l.cd_text_packs.size()));
  for (const CdTextPack& p : l.cd_text_packs) reply.insert(reply.end(), p.begin(), p.end());
  tamarack::testing::ExpectGoldenFile("toc_sheet.txt",
                                      testing::LayoutText(l) + DecodedCdText(reply), "emu");
  // Each refused sheet with its error, in malformed_toc_sheets.txt.
  const auto cases = testing::CasesOf("malformed_toc_sheets.txt");
  EXPECT_EQ(cases.size(), 10u);
  for (const auto& [reason, sheet] : cases) {
    dir.Write("bad.toc", sheet);
    EXPECT_THAT(RefusalOf(dir.File("bad.toc")), HasSubstr(dir.File("bad.toc") + ":" + reason));
  }
}

#ifndef _WIN32  // Windows' file systems hold no FIFOs
// A FIFO named as an image, a BIN or a trace is refused at once: open() does not wait for a
// writer.
TEST_F(DiscFormatsTest, FifosAreRefused) {
  for (const char* name : {"f.iso", "f.cue", "f.nrg", "f.bin", "f.trace"}) {
    ASSERT_EQ(::mkfifo(dir.File(name).c_str(), 0600), 0);
  }
  for (const char* name : {"f.iso", "f.cue", "f.nrg"}) {
    EXPECT_THAT(RefusalOf(dir.File(name)), HasSubstr(name + std::string(": not a regular file")));
  }
  dir.Write("a.cue", "FILE f.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
  EXPECT_THAT(RefusalOf(dir.File("a.cue")),
              HasSubstr(":1: " + dir.File("f.bin") + ": not a regular file"));
  std::vector<TraceEntry> entries;
  std::string error;
  EXPECT_FALSE(ReadTraceFile(dir.File("f.trace"), &entries, &error));
  EXPECT_THAT(error, HasSubstr("f.trace: not a regular file"));
}
#endif

}  // namespace
}  // namespace tamarack::emu
