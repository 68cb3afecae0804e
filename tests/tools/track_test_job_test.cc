// The track reading tests and the disc Sub-Q check against the virtual drive, and their pure
// parts: the length table, the address variants, the conversions and the copy-bit windows.
// Each fault on each path is in tools_fault_matrix_test.cc.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/scripted_transport.h"
#include "emu/resid_modes.h"
#include "golden.h"
#include "job/job_bench.h"
#include "tools/conversion_tools.h"
#include "tools/sub_q_check.h"
#include "tools/track_test.h"
#include "util/bytes.h"
#include "util/strings.h"
#include "util/sub_q_crc.h"

namespace tamarack {
namespace {

using JobBench = testing::JobBench<>;

// Compares what the job reported, headed by the result (its verdict and the coverage's counts,
// which name no blocks: each variant reads its own) with every line of it if there is one, with
// tests/data/tools/NAME.txt.
void ExpectReport(const std::string& name, const testing::ScriptedJobHost& host,
                  const TrackTestResult* r = nullptr) {
  std::string t;
  if (r) {
    const Coverage& c = r->verdict.coverage();
    const auto n = [](auto x) { return std::to_string(x); };
    t = "toc " + n(r->toc_ok) + " ng " + n(r->ng_lines) + " ended " +
        n(static_cast<int>(r->ended_by)) + "\n" + testing::VerdictText(r->verdict) +
        "coverage: asked " + n(c.asked()) + " read " + n(c.read_whole()) + " compared " +
        n(c.compared()) + " failed " + n(c.failed()) + " skipped " +
        n(c.skipped() + c.check_skipped()) + "\n";
    for (const std::string& line : r->lines) t += line + "\n";
  }
  testing::ExpectGoldenFile(name + ".txt", t + host.Report(), "tools");
}

std::string Id(const char* disc, const std::string& resid, const std::string& more = "") {
  return testing::WithResid(std::string("emu:") + disc + "?speed=max" + more, resid);
}

// Whether each length is accepted for each field selection and track class: a row per
// selection and class, a column per length (0, 280, 2048, 2336, 2352), in
// tests/data/tools/accepted_lengths.txt. A data track that returns nothing for "Header" is
// still Ok, except a form 2 one; "All" takes 2352 bytes only.
TEST(TrackTestTable, AcceptedLengths) {
  std::string t;
  for (std::uint8_t selection : std::initializer_list<std::uint8_t>{0x08, 0x10, 0x20, 0xF8}) {
    for (TrackClass c :
         {TrackClass::kMode1, TrackClass::kTrack2, TrackClass::kForm2, TrackClass::kAudio}) {
      t += StrFormat("%02x class %d:", selection, static_cast<int>(c));
      for (std::uint32_t length : {0u, 280u, 2048u, 2336u, 2352u}) {
        t += LengthAccepted(selection, c, length) ? " yes" : " no";
      }
      t += "\n";
    }
  }
  testing::ExpectGoldenFile("accepted_lengths.txt", t, "tools");
}

TEST(TrackTestTable, AddressVariants) {
  std::array<std::uint32_t, 23> starts{};
  for (std::size_t i = 0; i < starts.size(); ++i) starts[i] = static_cast<std::uint32_t>(i * 100);
  const auto plus = Type30ReadAddresses(TrackTestKind::kType30Plus1, starts);
  const auto minus = Type30ReadAddresses(TrackTestKind::kType30Minus1, starts);
  EXPECT_EQ(plus[0], 1u);
  EXPECT_EQ(plus[22], 2201u);
  EXPECT_EQ(minus[0], 99u);
  EXPECT_EQ(minus[20], 2099u);  // track 21: the block before track 22
  EXPECT_EQ(minus[21], 2100u);  // tracks 22 and 23 keep their starts
  EXPECT_EQ(minus[22], 2200u);
  EXPECT_EQ(Type30ReadAddresses(TrackTestKind::kType30Normal, starts), starts);
}

// In every path that tells a reply's length each variant passes every line; a wrong length is
// Ng and times are measured. Where a zeroed or padded tail hides the length, every line says
// it cannot be measured and the run is incomplete, never good.
TEST(TrackTestJob, Type30EveryVariantAndPathAndAWrongLength) {
  for (const std::string& resid : testing::ResidModes()) {
    const bool hidden = resid == "zero" || resid == "pad";
    for (TrackTestKind kind : {TrackTestKind::kType30Normal, TrackTestKind::kType30Plus1,
                               TrackTestKind::kType30Minus1}) {
      SCOPED_TRACE(resid + " " + TrackTestName(kind));
      JobBench b(Id("type30", resid));
      TrackTestJob job(kind);
      b.Run(job);
      // The TOC line and 23 + 10 + 4 + 10 + 10 + 10 + 23 reads, every one Ok: the same report
      // in each variant, whose lines do not show the addresses read (EachVariantReadsAt...).
      ExpectReport(hidden ? "type30_" + resid : "type30", b, &job.result());
      EXPECT_EQ(job.result().verdict.good(), !hidden);
      EXPECT_EQ(b.status.status_line.Get(), "");
    }
    SCOPED_TRACE(resid);
    // Track 1 read as Mode 2 formless: only "User Data" gives another length (2336).
    JobBench b(testing::WithResid("emu:type30?speed=clv4&formless=0-4499", resid));
    TrackTestJob job(TrackTestKind::kType30Normal);
    b.Run(job);
    // Line 1 is Ng with 2336 (where the length shows); a modelled drive takes time: every
    // line tells it.
    ExpectReport(hidden ? "type30_wrong_length_" + resid : "type30_wrong_length", b, &job.result());
  }
}

// Each variant reads at its own addresses: a bad block that only one variant reads (4499, the
// last of track 1: -1; 4501, the second of track 2: +1) fails that variant's reads alone.
TEST(TrackTestJob, EachVariantReadsAtItsOwnAddresses) {
  for (const char* bad : {"4499", "4501"}) {
    for (TrackTestKind kind : {TrackTestKind::kType30Normal, TrackTestKind::kType30Plus1,
                               TrackTestKind::kType30Minus1}) {
      JobBench b(Id("type30", "exact", std::string("&bad=") + bad));
      TrackTestJob job(kind);
      b.Run(job);
      const auto& lines = job.result().lines;
      const bool failed = std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("Read Error") != std::string::npos;
      });
      const bool reads_bad = (kind == TrackTestKind::kType30Minus1 && bad[3] == '9') ||
                             (kind == TrackTestKind::kType30Plus1 && bad[3] == '1');
      EXPECT_EQ(failed, reads_bad) << bad << " " << TrackTestName(kind);
    }
  }
}

TEST(TrackTestJob, Type13ListsEvery300BlocksAndEachBadSector) {
  JobBench b(Id("type13", "exact", "&corrupt=3000"));
  TrackTestJob job(TrackTestKind::kType13);
  b.Run(job);
  // LBA 0, 300, ... 99900; the corrupted byte is outside the address text: the checksum
  // catches it.
  ExpectReport("type13_corrupt", b, &job.result());
}

// A cancelled test is a cancelled one even after a failed read (Type3.0 went past track 1's)
// or an Ng line: the verdict says so first.
TEST(TrackTestJob, CancelEndsEachTest) {
  for (TrackTestKind kind : {TrackTestKind::kType13, TrackTestKind::kType30Minus1}) {
    const bool type13 = kind == TrackTestKind::kType13;
    JobBench b(Id(type13 ? "type13" : "type30", "none", type13 ? "&corrupt=600" : "&bad=4499"));
    int lines = 0;
    b.stop_when = [&](JobText where, const std::string&) {
      return where == JobText::kResultLine && ++lines == 5;
    };
    TrackTestJob job(kind);
    b.Run(job);
    const TrackTestResult& r = job.result();
    EXPECT_EQ(r.lines.size(), 5u);
    EXPECT_EQ(r.ended_by, RunState::kCancelRequested);
    EXPECT_EQ(b.MessageTexts(), std::vector<std::string>{"Canceled"});
    EXPECT_TRUE(r.verdict.cancelled());
    EXPECT_TRUE(type13 ? r.verdict.differences() == 1 : r.verdict.went_past().has_value());
  }
}

// Each text of tests/data/tools/conversions.txt ("lba TEXT", "msf TEXT" or "crc TEXT") through
// its conversion, the first two in both entries. Decimal and hexadecimal entry take the same
// LBAs, -150 to 2147483647: hexadecimal as the 32-bit field a drive is sent, so FFFFFF6A is
// -150. MSF texts short at the front count the missing characters as nothing; Sub-Q texts are
// padded with zeros on the right.
TEST(ConversionTools, LbaMsfAndSubQCrc) {
  testing::ExpectEachInput("conversions.txt", "tools", [](const std::string& line) {
    const std::string kind = line.substr(0, 3), text = line.size() > 4 ? line.substr(4) : "";
    if (kind == "lba") return LbaToMsfText(text, false) + " / hex " + LbaToMsfText(text, true);
    if (kind == "msf")
      return "bcd " + MsfToLbaText(text, true) + " / binary " + MsfToLbaText(text, false);
    return SubQCrcText(text);
  });
}

// A Q record of `control` with its CRC.
std::vector<std::uint8_t> QRecord(std::uint8_t control) {
  std::vector<std::uint8_t> q = {control, 0x01, 0x01, 0, 0, 0, 0, 0, 0x02, 0, 0, 0};
  const std::uint16_t crc = SubQCrc(q);
  q[10] = static_cast<std::uint8_t>(crc >> 8);
  q[11] = static_cast<std::uint8_t>(crc);
  return q;
}

TEST(SubQTally, CopyBitWindowsAndChannelLines) {
  SubQTally t;
  // First audio record: its copy bit and its channel line at once.
  SubQTally::Change c = t.Check(QRecord(0x21));
  EXPECT_EQ(c.copy, kCopyOnText);
  EXPECT_EQ(c.channel, "ﾌﾟﾘｴﾝﾌｧｼｽ無し,2ﾁｬﾝﾈﾙｵｰﾃﾞｨｵ");
  // Equal numbers of on and off in a window of 100: mixed.
  for (int i = 1; i < 99; ++i) {
    c = t.Check(QRecord(i < 50 ? 0x21 : 0x01));
    EXPECT_FALSE(c.copy.has_value()) << i;
  }
  EXPECT_EQ(t.Check(QRecord(0x01)).copy, kCopyMixedText);
  // 95 on, 5 off: the line keeps its text. Then 100 off.
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(t.Check(QRecord(i < 5 ? 0x01 : 0x21)).copy);
  for (int i = 0; i < 99; ++i) t.Check(QRecord(0x01));
  EXPECT_EQ(t.Check(QRecord(0x01)).copy, kCopyOffText);
  // A window that leaves the text as it is changes nothing.
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(t.Check(QRecord(0x01)).copy);
  // Pre-emphasis and four channels change the second line; data records count for nothing.
  EXPECT_EQ(t.Check(QRecord(0x91)).channel, "ﾌﾟﾘｴﾝﾌｧｼｽ有り,4ﾁｬﾝﾈﾙｵｰﾃﾞｨｵ");
  EXPECT_FALSE(t.Check(QRecord(0x91)).channel);
  EXPECT_FALSE(t.Check(QRecord(0x41)).channel);
  std::vector<std::uint8_t> spoilt = QRecord(0x01);
  spoilt[11] ^= 1;
  EXPECT_EQ(t.Check(spoilt).result, "CRC error count=1");
  EXPECT_EQ(t.Check(std::span(spoilt).first(8)).result, "CRC error count=2");
  EXPECT_EQ(t.copy_on(), 50 + 95);
  EXPECT_EQ(t.Summary(7), "Total Subq=7 CRC error=2\r\nDigital copy ok=145 Digital copy ng=257");
}

TEST(SubQCheckJob, CountsInjectedCrcErrorsAndFollowsTheCopyBits) {
  JobBench b(Id("audio", "exact", "&qcrc=1000-1004,20000,30590"));
  SubQCheckJob job;
  b.Run(job);
  EXPECT_EQ(job.result().record_size, 2352u + 16u);
  // The summary counts every block of the disc once: 7 CRC errors and the rest by copy bit.
  ExpectReport("sub_q_check", b);
  EXPECT_EQ(job.result().verdict.differences(), 7u);
}

// A stop request ends the check between reads (no disc is in the CLI's transcript).
TEST(SubQCheckJob, Stop) {
  JobBench b(Id("audio", "none"));
  int errors = 0;
  b.stop_when = [&](JobText where, const std::string&) {
    return where == JobText::kSecondStatus && ++errors == 2;  // at the pre-emphasis track
  };
  SubQCheckJob job;
  b.Run(job);
  EXPECT_EQ(job.result().end, SubQCheckEnd::kStopped);
  EXPECT_TRUE(job.result().verdict.cancelled());
  EXPECT_LT(job.result().lba_reached, job.result().range.last);
  EXPECT_EQ(b.MessageTexts(), std::vector<std::string>{"キャンセルされました"});
}

// A drive that claims the disc's last block is 7FFFFFFFh and its one track starts at `start`;
// it answers every Read CD with the records of audio blocks, all zeros.
struct FarDisc : testing::ScriptedSession {
  explicit FarDisc(std::uint32_t start) {
    transport->responder = [start](const ScsiRequest& r) {
      std::vector<std::uint8_t> data;
      if (r.cdb[0] == 0x25) {
        data = {0x7F, 0xFF, 0xFF, 0xFF, 0, 0, 0x08, 0};
      } else if (r.cdb[0] == 0x43) {
        data.assign(20, 0);
        data[1] = 18;
        data[2] = data[3] = 1;
        data[6] = 1;
        WriteBe32(data, 8, start);
        data[14] = 0xAA;
        WriteBe32(data, 16, 0x80000000u);
      } else if (r.cdb[0] == 0xBE) {
        data.assign(std::size_t{ReadBe24(r.cdb, 6)} * (2352 + 16), 0);
      }
      return testing::Good(data);
    };
  }
  SubQCheckResult Check() {
    testing::ScriptedJobHost host;
    SimulatedClock clock;
    RunStateWord state;
    state.Set(RunState::kRunning);
    JobContext ctx(session, host, clock, state);
    SubQCheckJob job;
    job.Run(ctx);
    messages = host.MessageTexts();
    return job.result();
  }
  std::vector<std::string> messages;
};

// The range a drive gives is used in 64 bits: a first track at 80000000h (a negative address)
// is no range to read; one that ends at the last 32-bit address is read through it.
TEST(SubQCheckJob, RangesAtTheEndsOfTheAddresses) {
  FarDisc below(0x80000000u);
  SubQCheckResult r = below.Check();
  EXPECT_EQ(r.end, SubQCheckEnd::kReadFailed);
  EXPECT_EQ(below.messages, std::vector<std::string>{kSubQReadFailedText});
  EXPECT_EQ(r.verdict.refused(), "ﾄﾞﾗｲﾌﾞが示すﾃﾞｨｽｸは LBA -2147483648 から 2147483647 です");
  EXPECT_EQ(std::ranges::count(below.sent, 0xBE, [](const ScsiRequest& q) { return q.cdb[0]; }), 0);

  FarDisc top(0x7FFFFFF6u);
  r = top.Check();
  EXPECT_EQ(r.end, SubQCheckEnd::kFinished);
  EXPECT_EQ(r.summary, "Total Subq=2147483648 CRC error=10");
  EXPECT_EQ(r.verdict.differences(), 10u);
  EXPECT_EQ(ReadBe32(top.sent.back().cdb, 2), 0x7FFFFFF6u);
}

}  // namespace
}  // namespace tamarack
