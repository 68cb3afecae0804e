#include "mmc/drive_selection.h"

#include <gtest/gtest.h>

#include "decode/replies.h"
#include "device/scripted_transport.h"
#include "golden.h"
#include "util/strings.h"

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
  const std::string fields = StrFormat("%-8.8s%-16.16s%-4.4s", vendor, product, revision);
  std::copy(fields.begin(), fields.end(), r.begin() + 8);
  return r;
}

using testing::toc::Track;
const std::vector<std::uint8_t> kToc1To3 = testing::toc::Reply(
    1, 3, {Track(0x14, 1, 0), Track(0x14, 2, 1000), Track(0x14, 3, 2000), Track(0x14, 0xAA, 3000)});
const std::vector<std::uint8_t> kToc1 =
    testing::toc::Reply(1, 1, {Track(0x14, 1, 0), Track(0x14, 0xAA, 1000)});

// Writes each call of drive selection to `log`, a line a call.
class LoggingSelectionHost : public SelectionHost {
 public:
  void ClearResults() override { log += "clear results\n"; }
  void SetTitle(const std::string& t) override { log += "title \"" + t + "\"\n"; }
  void SetDiscPresent(bool p) override { log += "disc present " + std::to_string(p) + "\n"; }
  bool WantsDiscExtent() override { return wants_extent; }
  void SetDiscExtent(std::uint32_t f, std::uint32_t l) override {
    log += "disc extent " + std::to_string(f) + " to " + std::to_string(l) + "\n";
  }
  void SetTrackBox(const std::vector<TrackBoxEntry>& entries, std::uint32_t end) override {
    log += "track box";
    for (const TrackBoxEntry& e : entries) log += StrFormat(" %d@%u", e.number, e.start);
    log += " end " + std::to_string(end) + "\n";
  }
  void ShowStatusLine(const std::string& text) override { status->status_line.Set(text); }
  bool wants_extent = false;
  StatusBoard* status = nullptr;
  std::string log;
};

// Each selection as the host's calls, the result, the status line (the caller's "old" before),
// the address and TOC the selection learnt, and the commands sent, in
// select_drive.txt: the drive identified keeping the Inquiry fields' trailing blanks and the
// TOC cached; the disc extent read when the tab wants it (a failed Read TOC gives 0); a failed
// Inquiry skips the identification but rebuilds the empty track box and clears the cache; a
// failed Read TOC leaves the cache zero and no disc; an unopenable drive ends with no device.
TEST(SelectDrive, EachSelection) {
  const std::vector<std::uint8_t> vpr = InquiryReply("V", "P", "R");
  const struct {
    const char* what;
    std::vector<testing::ScriptedReply> script;
    bool wants_extent = false, unopenable = false;
  } cases[] = {
      {"identified", {Good(InquiryReply("ABC     ", "DVD-ROM DRIVE 16", "1.00")), Good(kToc1To3)}},
      {"with the disc extent",
       {Good(vpr), Good(kToc1), Good({0x00, 0x01, 0x86, 0x9F, 0, 0, 8, 0}),
        CheckCondition(2, 0x3A, 0)},
       true},
      {"a failed Inquiry", {CheckCondition(2, 0x3A, 0x01)}},
      {"a failed Read TOC", {Good(vpr), CheckCondition(2, 0x3A, 0x01)}},
      {"an unopenable drive", {}, false, true},
  };
  std::string t;
  for (const auto& c : cases) {
    testing::ScriptedDrives d;
    d.provider->ids = {"d0"};
    if (c.unopenable) d.provider->unopenable = {"d0"};
    d.script = c.script;
    DeviceSession session{&d.drives, BuiltInSenseTable()};
    StatusBoard status;
    session.SetHost(&status);
    status.status_line.Set("old");
    LoggingSelectionHost host;
    host.status = &status;
    host.wants_extent = c.wants_extent;
    const SelectionResult r = SelectDrive(session, "d0", host);
    const ScsiAddress& a = r.facts.address;
    t += std::string("== ") + c.what + "\n" + host.log +
         StrFormat("opened %d identified %d toc read %d device %d\naddress %d.%d.%d.%d\n", r.opened,
                   r.identified, r.toc_read, session.HasDevice(), a.port, a.path_id, a.target_id,
                   a.lun) +
         "status line \"" + status.status_line.Get() + "\"\ntoc cache " +
         HexBytes(std::span(r.facts.toc).first(4)) + "\n";
    for (const ScsiRequest& sent : d.sent) t += "sent " + HexBytes(sent.cdb) + "\n";
  }
  testing::ExpectGoldenFile("select_drive.txt", t, "device");
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
