// EDC and ECC checked against independent implementations from Debian's packages:
// vcdxbuild (vcdimager) writes raw Mode 2 XA form 1 (file system, files) and form 2 (the MPEG
// track) sectors, which our encoder must reproduce byte for byte and our checker must accept;
// chdman (mame-tools) verifies the ECC of raw Mode 1 sectors before it compresses them, so a
// valid image shrinks by the parity bytes it leaves out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "emu/built_in_discs.h"
#include "emu/cd_address.h"
#include "emu/drive_harness.h"
#include "emu/sector_encoder.h"
#include "emu/test_sector.h"
#include "golden.h"
#include "temp_dir.h"

namespace tamarack::emu {
namespace {

namespace fs = std::filesystem;

// Why `name` of Debian's package `package` cannot be run here; "" when it can.
std::string MissingTool(const std::string& name, const std::string& package) {
#ifdef _WIN32
  return name + " (Debian package " + package + ") is a Linux program";
#else
  if (std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0) return "";
  return name + " (Debian package " + package +
         ") is not installed; scripts/install-deps.sh installs it";
#endif
}

using tamarack::testing::TempDir;

// A minimal MPEG-1 program stream of 2324-byte packs (pack header, a video packet with a
// 352x288 25 Hz sequence header, padding): enough for vcdxbuild to lay out a track.
std::vector<std::uint8_t> TinyMpeg(int packs) {
  const std::vector<std::uint8_t> pack = {0x00, 0x00, 0x01, 0xBA, 0x21, 0x00,
                                          0x01, 0x00, 0x01, 0x80, 0x1B, 0x91};
  const std::vector<std::uint8_t> sequence = {0x00, 0x00, 0x01, 0xB3, 0x16, 0x01, 0x20,
                                              0xC3, 0x02, 0xD0, 0x20, 0xA4, 0x00, 0x00,
                                              0x01, 0xB8, 0x00, 0x08, 0x00, 0x00};
  const std::vector<std::uint8_t> picture = {0x00, 0x00, 0x01, 0x00, 0x00, 0x0F, 0xFF, 0xF8};
  std::vector<std::uint8_t> out;
  for (int i = 0; i < packs; ++i) {
    std::vector<std::uint8_t> payload = i == 0 ? sequence : std::vector<std::uint8_t>{};
    payload.insert(payload.end(), picture.begin(), picture.end());
    std::vector<std::uint8_t> p = pack;
    const std::size_t body = payload.size() + 1;
    p.insert(p.end(), {0x00, 0x00, 0x01, 0xE0, static_cast<std::uint8_t>(body >> 8),
                       static_cast<std::uint8_t>(body), 0x0F});
    p.insert(p.end(), payload.begin(), payload.end());
    const std::size_t pad = 2324 - p.size() - 6;
    p.insert(p.end(), {0x00, 0x00, 0x01, 0xBE, static_cast<std::uint8_t>(pad >> 8),
                       static_cast<std::uint8_t>(pad)});
    p.insert(p.end(), pad, 0xFF);
    out.insert(out.end(), p.begin(), p.end());
  }
  const std::uint8_t end_code[] = {0x00, 0x00, 0x01, 0xB9};  // program end code
  std::copy_n(end_code, 4, out.end() - 4);
  return out;
}

TEST(CrossCheckTest, VcdimagerXaSectorsBothWays) {
  if (const std::string missing = MissingTool("vcdxbuild", "vcdimager"); !missing.empty()) {
    GTEST_SKIP() << missing;
  }
  TempDir dir;
  ASSERT_FALSE(dir.path().empty());
  std::vector<std::uint8_t> data(150000);
  FillPattern(42, data);
  dir.Write("data.bin", data);
  dir.Write("video.mpg", TinyMpeg(30));
  dir.Write("disc.xml", tamarack::testing::ReadGoldenFile("vcd_disc.xml", "emu"));
  ASSERT_TRUE(dir.Run("vcdxbuild -T 2000-01-01 -c disc.cue -b disc.bin disc.xml"))
      << "vcdxbuild failed; see " << dir.File("tool.log");
  const std::vector<std::uint8_t> image = dir.Read("disc.bin");
  ASSERT_EQ(image.size() % kRawSectorSize, 0u);
  ASSERT_GT(image.size(), 300u * kRawSectorSize);

  int form1 = 0, form2 = 0;
  for (std::size_t at = 0; at + kRawSectorSize <= image.size(); at += kRawSectorSize) {
    std::array<std::uint8_t, kRawSectorSize> theirs, ours{};
    std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at), kRawSectorSize, theirs.begin());
    const SectorCheck c = CheckSector(theirs);
    if (!c.sync_ok) continue;
    ASSERT_EQ(c.mode, 2);
    // Their EDC and ECC pass our checker.
    EXPECT_TRUE(c.Ok()) << "block " << at / kRawSectorSize;
    // Our encoder, given their user data, address and sub-header, writes the same bytes (but
    // for form 2's optional EDC where theirs is absent).
    const std::int32_t lba =
        MsfToFrames({FromBcd(theirs[12]), FromBcd(theirs[13]), FromBcd(theirs[14])}) - kMsfOffset;
    const bool is_form2 = c.form == 2;
    std::copy(theirs.begin() + 24, theirs.begin() + (is_form2 ? 2348 : 2072), ours.begin() + 24);
    EncodeSector(is_form2 ? TrackMode::kMode2Form2 : TrackMode::kMode2Form1, lba,
                 XaSubHeader{theirs[16], theirs[17], theirs[18], theirs[19]}, ours);
    const bool edc_absent =
        is_form2 && std::all_of(theirs.end() - 4, theirs.end(), [](std::uint8_t b) { return !b; });
    EXPECT_TRUE(std::equal(theirs.begin(), theirs.end() - (edc_absent ? 4 : 0), ours.begin()))
        << "block " << at / kRawSectorSize << " form " << c.form;
    ++(is_form2 ? form2 : form1);
  }
  EXPECT_GT(form1, 150);
  EXPECT_GT(form2, 200);
}

TEST(CrossCheckTest, ChdmanAcceptsOurMode1Ecc) {
  if (const std::string missing = MissingTool("chdman", "mame-tools"); !missing.empty()) {
    GTEST_SKIP() << missing;
  }
  TempDir dir;
  ASSERT_FALSE(dir.path().empty());
  auto disc = MakeType13Disc();
  constexpr int kBlocks = 400;
  const std::vector<std::uint8_t> good = testing::RawBlocks(*disc, 0, kBlocks);
  // The same image with one parity byte of every sector spoiled.
  std::vector<std::uint8_t> spoiled = good;
  for (int i = 0; i < kBlocks; ++i) spoiled[static_cast<std::size_t>(i) * 2352 + 2300] ^= 0x01;
  for (const auto& [name, bytes] : {std::pair{"good", &good}, {"spoiled", &spoiled}}) {
    const std::string n = name;
    dir.Write(n + ".bin", *bytes);
    dir.Write(n + ".cue",
              "FILE \"" + n + ".bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n");
    ASSERT_TRUE(dir.Run("chdman createcd -f -i " + n + ".cue -o " + n + ".chd"));
  }
  // chdman drops the 276 parity bytes of every sector whose ECC it verified (they are
  // regenerated on extraction); parity does not compress, so only a valid image shrinks.
  EXPECT_LT(fs::file_size(dir.File("good.chd")) + 200u * kBlocks,
            fs::file_size(dir.File("spoiled.chd")));
  // And the round trip gives our bytes back.
  ASSERT_TRUE(dir.Run("chdman extractcd -f -i good.chd -o back.cue -ob back.bin"));
  EXPECT_EQ(dir.Read("back.bin"), good);
}

}  // namespace
}  // namespace tamarack::emu
