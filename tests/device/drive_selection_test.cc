#include "device/drive_selection.h"

#include <gtest/gtest.h>

#include "device/scripted_transport.h"

namespace tamarack {
namespace {

using testing::CheckCondition;
using testing::Good;

TEST(ChooseDriveIndex, SavedIdWhenPresentElseTheFirstElseNone) {
  const std::vector<std::string> ids = {"/dev/sr0", "/dev/sr1"};
  EXPECT_EQ(ChooseDriveIndex(ids, "/dev/sr1"), 1);
  EXPECT_EQ(ChooseDriveIndex(ids, "/dev/sr7"), 0);
  EXPECT_EQ(ChooseDriveIndex(ids, ""), 0);
  EXPECT_EQ(ChooseDriveIndex({}, "/dev/sr0"), -1);
  EXPECT_EQ(ChooseDriveIndex(ids, "/dev/sr"), 0) << "ids match whole";
}

std::vector<std::uint8_t> InquiryReply(const char* vendor, const char* product,
                                       const char* revision) {
  std::vector<std::uint8_t> r(96, 0);
  r[0] = 0x05;
  r[4] = 91;
  // Fields are blank-padded, as drives send them.
  auto put = [&r](const char* text, std::size_t at, std::size_t width) {
    const std::string s = std::string(text).append(width, ' ').substr(0, width);
    std::copy(s.begin(), s.end(), r.begin() + static_cast<std::ptrdiff_t>(at));
  };
  put(vendor, 8, 8);
  put(product, 16, 16);
  put(revision, 32, 4);
  return r;
}

// A TOC of `tracks` tracks starting at multiples of 1000, and the lead-out.
std::vector<std::uint8_t> TocReply(int first, int last) {
  const int count = last - first + 2;
  std::vector<std::uint8_t> r(4 + 8 * static_cast<std::size_t>(count), 0);
  const int length = static_cast<int>(r.size()) - 2;
  r[0] = static_cast<std::uint8_t>(length >> 8);
  r[1] = static_cast<std::uint8_t>(length);
  r[2] = static_cast<std::uint8_t>(first);
  r[3] = static_cast<std::uint8_t>(last);
  for (int i = 0; i < count; ++i) {
    auto* d = &r[4 + 8 * static_cast<std::size_t>(i)];
    d[1] = 0x14;
    d[2] = static_cast<std::uint8_t>(i + 1 < count ? first + i : 0xAA);
    const std::uint32_t start = static_cast<std::uint32_t>(i) * 1000u;
    d[6] = static_cast<std::uint8_t>(start >> 8);
    d[7] = static_cast<std::uint8_t>(start);
  }
  return r;
}

class RecordingSelectionHost : public SelectionHost {
 public:
  void ClearResults() override { ++cleared; }
  void SetTitle(const std::string& t) override { title = t; }
  void SetDiscPresent(bool p) override { disc = p; }
  bool WantsDiscExtent() override { return wants_extent; }
  void SetDiscExtent(std::uint32_t f, std::uint32_t l) override {
    first = f;
    last = l;
    ++extents;
  }
  void SetTrackBox(const std::vector<TrackBoxEntry>& e, std::uint32_t end) override {
    entries = e;
    end_address = end;
  }
  int cleared = 0, extents = 0;
  std::string title;
  bool disc = false, wants_extent = false;
  std::uint32_t first = 0, last = 0, end_address = 0;
  std::vector<TrackBoxEntry> entries;
};

struct SelectFixture : testing::ScriptedDrives {
  SelectFixture() { provider->ids = {"d0"}; }
  DeviceSession session{&drives, BuiltInSenseTable()};
  RecordingSelectionHost host;
};

TEST(SelectDrive, IdentifiesTheDriveKeepingTrailingBlanksAndCachesTheToc) {
  SelectFixture f;
  f.script = {Good(InquiryReply("ABC     ", "DVD-ROM DRIVE 16", "1.00")), Good(TocReply(1, 3))};
  f.session.status_line.Set("old");
  const SelectionResult r = SelectDrive(f.session, "d0", f.host);
  EXPECT_TRUE(r.opened && r.identified && r.toc_read);
  EXPECT_EQ(f.host.title, "Tamarack 選択されているﾄﾞﾗｲﾌﾞ: ABC      DVD-ROM DRIVE 16(1.00)");
  EXPECT_EQ(f.session.status_line.Get(), "");
  EXPECT_EQ(f.session.address, (ScsiAddress{1, 2, 3, 4}));
  EXPECT_TRUE(f.host.disc);
  ASSERT_EQ(f.host.entries.size(), 3u);
  EXPECT_EQ(f.host.entries[0].number, 1);
  EXPECT_EQ(f.host.entries[2].number, 3);
  EXPECT_EQ(f.host.entries[2].start, 2000u);
  EXPECT_EQ(f.host.end_address, 3000u);
  EXPECT_EQ(f.session.toc_cache[3], 3);
  ASSERT_EQ(f.sent.size(), 2u);
  EXPECT_EQ(f.sent[0].cdb, MakeCdb({0x12, 0, 0, 0, 0xFF}));
  EXPECT_EQ(f.sent[1].cdb, MakeCdb({0x43, 0, 0, 0, 0, 0, 0, 0xA0, 0}));
  EXPECT_EQ(f.host.extents, 0);
}

TEST(SelectDrive, ReadsTheDiscExtentWhenTheTabWantsIt) {
  SelectFixture f;
  std::vector<std::uint8_t> capacity = {0x00, 0x01, 0x86, 0x9F, 0, 0, 8, 0};
  f.script = {Good(InquiryReply("V", "P", "R")), Good(TocReply(1, 1)), Good(capacity),
              CheckCondition(2, 0x3A, 0)};
  f.host.wants_extent = true;
  SelectDrive(f.session, "d0", f.host);
  EXPECT_EQ(f.host.extents, 1);
  EXPECT_EQ(f.host.last, 99999u);
  EXPECT_EQ(f.host.first, 0u) << "a failed Read TOC gives 0";
  EXPECT_EQ(f.sent[3].cdb, MakeCdb({0x43, 0, 0, 0, 0, 0, 0, 0, 0xFF}));
}

TEST(SelectDrive, FailedInquirySkipsIdentificationButRebuildsTheEmptyTrackBox) {
  SelectFixture f;
  f.script = {CheckCondition(2, 0x3A, 0x01)};
  f.host.title = "unchanged";
  f.session.toc_cache.fill(7);
  const SelectionResult r = SelectDrive(f.session, "d0", f.host);
  EXPECT_TRUE(r.opened);
  EXPECT_FALSE(r.identified);
  EXPECT_EQ(f.host.title, "unchanged");
  EXPECT_EQ(f.session.status_line.Get(), "Error Notified( MEDIUM NOT PRESENT - TRAY CLOSED).");
  EXPECT_TRUE(f.host.entries.empty());
  EXPECT_EQ(f.session.toc_cache[0], 0) << "the cache is cleared at every selection";
  EXPECT_EQ(f.sent.size(), 1u);
}

TEST(SelectDrive, FailedTocLeavesTheCacheZeroAndNoDisc) {
  SelectFixture f;
  f.script = {Good(InquiryReply("V", "P", "R")), CheckCondition(2, 0x3A, 0x01)};
  f.host.disc = true;
  SelectDrive(f.session, "d0", f.host);
  EXPECT_FALSE(f.host.disc);
  EXPECT_TRUE(f.host.entries.empty());
}

TEST(SelectDrive, AnUnopenableDriveEndsSelectionWithNoDevice) {
  SelectFixture f;
  f.provider->unopenable = {"d0"};
  const SelectionResult r = SelectDrive(f.session, "d0", f.host);
  EXPECT_FALSE(r.opened);
  EXPECT_FALSE(f.session.HasDevice());
  EXPECT_EQ(f.host.cleared, 1);
}

TEST(TrackEntriesFromToc, StaysInsideTheCache) {
  std::vector<std::uint8_t> toc(kTocCacheSize, 0);
  toc[2] = 1;
  toc[3] = 200;  // more tracks than 99 descriptors can hold
  std::uint32_t end = 1;
  const auto entries = TrackEntriesFromToc(toc, &end);
  EXPECT_EQ(entries.size(), 99u);
  EXPECT_EQ(end, 0u);
  toc[2] = 5;
  toc[3] = 4;
  EXPECT_TRUE(TrackEntriesFromToc(toc, &end).empty());
}

TEST(TrackBoxText, DecimalOrHex) {
  EXPECT_EQ(TrackBoxText({2, 1234}, false), "ﾄﾗｯｸ2 (1234)");
  EXPECT_EQ(TrackBoxText({2, 1234}, true), "ﾄﾗｯｸ2 (4d2)");
}

}  // namespace
}  // namespace tamarack
