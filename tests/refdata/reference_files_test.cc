// The dialog's files: the proposed name, the lists with their sort keys, deletion, and the
// volume label the name comes from.
#include "refdata/reference_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "decode/volume_descriptor.h"
#include "golden.h"
#include "platform_texts.h"
#include "refdata/unread_list.h"
#include "refused_texts.h"
#include "temp_dir.h"
#include "util/reference_file.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;
using tamarack::testing::TempDir;

TEST(NewFileNameTest, LabelThenThreeDigitSuffix) {
  TempDir dir;
  EXPECT_EQ(ProposeFileName(dir.path(), "TESTDISC"), "TESTDISC.dat");
  dir.Write("TESTDISC.dat", std::string("x"));
  dir.Write("TESTDISC000.dat", std::string("x"));
  EXPECT_EQ(ProposeFileName(dir.path(), "TESTDISC"), "TESTDISC001.dat");
  EXPECT_EQ(ProposeFileName(dir.path(), ""), "NewName.dat");
  EXPECT_EQ(ProposeFileName(dir.path(), "   "), "NewName.dat");
  // A label is text from the disc: it never leaves the folder.
  EXPECT_EQ(LabelStem("../../etc/x"), ".._.._etc_x");
  EXPECT_EQ(LabelStem(".."), "__");
  EXPECT_EQ(LabelStem(" A\tB "), "A_B");
#ifdef _WIN32  // where "\\" separates folders, ":" names a drive and "*?\"<>|" are refused
  EXPECT_EQ(LabelStem("..\\..\\x"), ".._.._x");
  EXPECT_EQ(LabelStem("C:A*B?\"<>|"), "C_A_B_____");
#else
  EXPECT_EQ(LabelStem("..\\x:*?\"<>|"), "..\\x:*?\"<>|");
#endif
}

TEST(FileListTest, ColumnsKeysSortingAndDeletion) {
  TempDir dir;
  dir.Write("b.dat", std::string(1023, 'x'));
  dir.Write("a.DAT", std::string(1024, 'x'));
  dir.Write("c.dat", std::string(2047, 'x'));
  dir.Write("note.txt", std::string("x"));
  dir.Write("c.dat.partial", std::string("x"));
  fs::create_directory(dir.File("folder.dat"));
  const fs::file_time_type t0 = fs::last_write_time(dir.File("b.dat"));
  fs::last_write_time(dir.File("c.dat"), t0 - std::chrono::hours(48));
  fs::last_write_time(dir.File("a.DAT"), t0 - std::chrono::hours(24));

  std::vector<ReferenceFileEntry> list = ListReferenceFiles(dir.File("b.dat"));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].name, "a.DAT");
  EXPECT_EQ(list[0].size, "1 KB");
  EXPECT_EQ(list[1].size, "1023 B");
  EXPECT_EQ(list[1].size_key, "1023");
  EXPECT_EQ(list[2].size, "1 KB");
  ASSERT_EQ(list[0].date.size(), 19u);  // "%04d/%2d/%2d %2d:%02d:%02d"
  EXPECT_EQ(list[0].date[4], '/');
  EXPECT_EQ(list[0].time_key.size(), 14u);

  const auto sorted = [&list](FileListColumn column, bool descending) {
    SortReferenceFiles(list, column, descending);
    return list[0].name + " " + list[1].name + " " + list[2].name;
  };
  // Both "1 KB" rows sort by their bytes, not their text.
  EXPECT_EQ(sorted(FileListColumn::kSize, true), "c.dat a.DAT b.dat");
  EXPECT_EQ(sorted(FileListColumn::kDate, false), "c.dat a.DAT b.dat");
  EXPECT_EQ(sorted(FileListColumn::kName, true), "c.dat b.dat a.DAT");

  EXPECT_TRUE(ListReferenceFiles(dir.File("gone/x.dat")).empty());

  // Deleting stays beside the check file: a name that leaves its folder, or is not there, is
  // refused with the reason.
  std::string why;
  fs::create_directory(dir.File("sub"));
  EXPECT_FALSE(DeleteReferenceFile(dir.File("sub/x.dat"), "../b.dat", &why));
#ifdef _WIN32
  EXPECT_FALSE(DeleteReferenceFile(dir.File("sub/x.dat"), "..\\b.dat", &why));
#endif
  EXPECT_TRUE(fs::exists(dir.File("b.dat")));
  EXPECT_FALSE(DeleteReferenceFile(dir.File("x.dat"), "none.dat", &why));
  EXPECT_EQ(why, "No such file or directory");
  EXPECT_TRUE(DeleteReferenceFile(dir.File("x.dat"), "b.dat", &why));
  EXPECT_FALSE(fs::exists(dir.File("b.dat")));
  EXPECT_EQ(SiblingPath(dir.File("x.dat"), "b.dat"), dir.File("b.dat"));
}

TEST(VolumeLabelTest, OnlyAPrimaryDescriptorNamesIt) {
  std::vector<std::uint8_t> pvd(2048, 0);
  const std::string head =
      std::string("\x01") + "CD001" + std::string(34, '\0') + "MY DISC" + std::string(25, ' ');
  std::copy(head.begin(), head.end(), pvd.begin());
  EXPECT_EQ(VolumeIdentifier(pvd), "MY DISC");
  pvd[0] = 2;  // a supplementary descriptor
  EXPECT_EQ(VolumeIdentifier(pvd), "");
  EXPECT_EQ(VolumeIdentifier(std::span(pvd).first(60)), "");
}

// The list of unread blocks: what a capture adds joins into ranges; a list read back is joined
// the same way, and a line that is not a range is refused with its number.
TEST(UnreadListTest, RangesJoinAndBadLinesAreRefused) {
  UnreadBlocks blocks;
  blocks.Add(96, 16);
  blocks.Add(112, 16);  // touches: one range
  blocks.Add(200, 1);
  blocks.Add(10, 2);             // before the others
  blocks.Add(0xFFFFFFF0u, 100);  // cut at the last 32-bit LBA
  EXPECT_EQ(FormatUnreadList(blocks), "10-11\n96-127\n200-200\n4294967280-4294967295\n");
  EXPECT_EQ(blocks.CountIn(90, 120), 32u + 1u);  // 96-127 and 200 within 90-209
  EXPECT_EQ(blocks.CountIn(120, 80), 8u);        // 120-127; 200 is one past 120-199

  UnreadBlocks read;
  std::string why;
  ASSERT_TRUE(ParseUnreadList("200-200\r\n96-111\r\n100-127\r\n10-11", &read, &why)) << why;
  EXPECT_EQ(UnreadRangesText(read), "10-11, 96-127, 200-200");
  ASSERT_TRUE(ParseUnreadList("", &read, &why));
  EXPECT_TRUE(read.empty());

  // A refused list leaves the set as it was.
  testing::ExpectRefused(
      blocks,
      {{"1-2\n\n", "line 2: \"\" is not a range of LBAs first-last"},
       {"7", "line 1: \"7\" is not a range of LBAs first-last"},
       {"5-4\n", "line 1: \"5-4\" is not a range of LBAs first-last"},
       {"0-4294967296", "line 1: \"0-4294967296\" is not a range of LBAs first-last"}},
      ParseUnreadList, [](const UnreadBlocks& b) { return b.ranges(); });
}

// Where a block lies in a reference file, for both readers: from the range's lower end however
// the range is given, nothing before the file's first block, each block at its span's size; a read
// past the end is short and a file that is not there says why.
TEST(ReferenceFileTest, OneOffsetRuleAndShortReads) {
  struct Row {
    std::int64_t start, end, lba;
    std::optional<std::uint64_t> offset;
  };
  for (const Row& r : {Row{1000, 2000, 1010, 20480}, Row{2000, 1000, 1010, 20480},
                       Row{1000, 1000, 1000, 0}, Row{1000, 2000, 999, std::nullopt},
                       Row{0, 0xFFFFFFFF, 0xFFFFFFFF, std::uint64_t{0xFFFFFFFF} * 2048}}) {
    EXPECT_EQ(ReferenceOffset(ReferenceFirstLba(r.start, r.end), r.lba, 2048), r.offset)
        << r.start << ".." << r.end << " lba " << r.lba;
  }
  // A mixed file: 2048 from LBA 100, 2352 from 110, a gap between sessions (no bytes) from 120,
  // 2048 again from 130. A span at the same first replaces the last one's size; one before it
  // is refused. Each LBA's offset and block size in tests/data/refdata/mixed_layout.txt.
  ReferenceLayout mixed(100, 2048);
  EXPECT_TRUE(mixed.Add(110, 2048));  // the same size: one span
  EXPECT_TRUE(mixed.Add(110, 2352));
  EXPECT_TRUE(mixed.Add(120, 0));
  EXPECT_TRUE(mixed.Add(130, 2048));
  EXPECT_FALSE(mixed.Add(125, 2352));
  EXPECT_EQ(mixed.spans().size(), 4u);
  std::string t;
  for (std::int64_t lba = 99; lba <= 132; ++lba) {
    const std::optional<std::uint64_t> at = ReferenceOffset(mixed, lba);
    t += std::to_string(lba) + ": " + (at ? "at " + std::to_string(*at) : "none") + " size " +
         std::to_string(mixed.BlockSizeAt(lba)) + "\n";
  }
  testing::ExpectGoldenFile("mixed_layout.txt", t, "refdata");
  EXPECT_EQ(ReferenceOffset(ReferenceLayout(), 0), std::nullopt);
  TempDir dir;
  dir.Write("ref.dat", std::string("0123456789"));
  ReferenceFile file;
  std::string error;
  ASSERT_TRUE(file.Open(dir.File("ref.dat"), &error)) << error;
  EXPECT_EQ(file.size(), 10u);
  std::array<std::uint8_t, 4> out{};
  EXPECT_EQ(file.ReadAt(2, out), 4u);
  EXPECT_EQ(out[0], '2');
  EXPECT_EQ(file.ReadAt(8, out), 2u);
  EXPECT_EQ(out[1], '9');
  EXPECT_EQ(file.ReadAt(20, out), 0u);
  EXPECT_FALSE(file.Open(dir.File("missing.dat"), &error));
  EXPECT_EQ(testing::WithPosixReasons(error), "No such file or directory");
  EXPECT_FALSE(file.is_open());
}

}  // namespace
}  // namespace tamarack
