// The ring handler over rings built as the kernel builds them, answered by a virtual drive.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/scripted_transport.h"
#include "emu/virtual_drive_provider.h"
#include "fake_ring.h"
#include "golden.h"
#include "serve/ring_server.h"
#include "util/strings.h"

namespace tamarack::serve {
namespace {

using testing::Completion;
using testing::FakeRing;
using Bytes = std::vector<std::uint8_t>;

const Bytes kTestUnitReady = {0x00, 0, 0, 0, 0, 0};
Bytes Inquiry(std::uint8_t length) { return {0x12, 0, 0, 0, length, 0}; }
Bytes Read10(std::uint8_t lba, std::uint8_t blocks) {
  return {0x28, 0, 0, 0, 0, lba, 0, 0, blocks, 0};
}

// A virtual drive behind a ring handler, with the notices it reported.
struct Served {
  explicit Served(const std::string& id = "emu:type13?speed=max", RingOptions options = {})
      : provider(clock, {}) {
    opened = provider.Open(id);
    EXPECT_TRUE(opened.transport) << opened.error;
    ring = std::make_unique<RingServer>(*opened.transport, clock, options,
                                        [this](const std::string& n) { notices += n + "\n"; });
  }
  SimulatedClock clock;
  emu::VirtualDriveProvider provider;
  OpenResult opened;
  std::unique_ptr<RingServer> ring;
  std::string notices;  // a line each
};

// A completion's status and its sense key (the whole byte), ASC and ASCQ: "2 04/44/00".
std::string Outcome(const Completion& c) {
  return StrFormat("%d %02x/%02x/%02x", c.status, c.sense[2], c.sense[12], c.sense[13]);
}

std::vector<std::uint16_t> Ids(const std::vector<Completion>& done) {
  std::vector<std::uint16_t> ids;
  for (const Completion& c : done) ids.push_back(c.cmd_id);
  return ids;
}

// A task management entry that claims more ids than it holds is reported and skipped.
TEST(RingWalk, PadsTaskManagementAndUnknownEntriesAroundCommands) {
  Served s;
  FakeRing ring(480);
  ring.AddCmd(1, kTestUnitReady, {});
  ring.AddCmd(2, Inquiry(36), {36});
  ring.AddEntry(5, 32);  // an op this handler does not know
  ring.Put<std::uint32_t>(FakeRing::kRingOff + ring.AddTmr(1, {9}) + kTmrCountOffset, 1000);
  ring.AddCmd(3, Inquiry(36), {36});
  EXPECT_TRUE(s.ring->Process(ring.map()));
  EXPECT_EQ(ring.Tail(), ring.Head());
  std::vector<Completion> done = ring.TakeCompletions();
  EXPECT_EQ(Ids(done), (std::vector<std::uint16_t>{1, 2, 3}));
  for (const Completion& c : done) EXPECT_EQ(c.status, 0) << c.cmd_id;
  EXPECT_EQ(ring.DataOf(2)[0], 0x05);  // a CD/DVD device
  EXPECT_NE(s.notices.find("unknown kind 5"), std::string::npos) << s.notices;
  EXPECT_NE(s.notices.find("do not fit"), std::string::npos) << s.notices;

  // The next two do not fit before the ring's end: a PAD, then the ring's start.
  ring.AddCmd(4, kTestUnitReady, {});
  ring.AddCmd(5, Inquiry(36), {36});
  EXPECT_LT(ring.Head(), 400u);
  EXPECT_TRUE(s.ring->Process(ring.map()));
  EXPECT_EQ(ring.Tail(), ring.Head());
  EXPECT_EQ(Ids(ring.TakeCompletions()), (std::vector<std::uint16_t>{4, 5}));
  // Nothing new: nothing to tell the kernel.
  EXPECT_FALSE(s.ring->Process(ring.map()));
}

// Each way a ring can be spoilt gives an error, not a crash: a broken ring is walked no more;
// a request the kernel built wrong is failed, not run (internal target failure). Each case of
// corrupt_rings.txt: where a value is written over a ring holding one Inquiry (the mailbox's
// bytes or the entry's, the offset, the value's bytes, the value; "huge" almost 2^64, "map-10"
// 10 bytes short of the map's end), then what the handler made of it and what it reported.
TEST(RingCorrupt, GivesAnErrorNotACrash) {
  tamarack::testing::ExpectEachInput("corrupt_rings.txt", "serve", [](const std::string& line) {
    std::istringstream in(line);
    std::string where, value;
    std::size_t at = 0, bytes = 0;
    in >> where >> at >> bytes >> value;
    Served s;
    FakeRing ring;
    const std::size_t entry = FakeRing::kRingOff + ring.AddCmd(7, Inquiry(36), {36});
    if (where == "entry") at += entry;
    const std::uint64_t v = value == "huge"     ? ~std::uint64_t{0} - 3
                            : value == "map-10" ? ring.map().size() - 10
                                                : std::stoull(value, nullptr, 0);
    std::memcpy(ring.map().data() + at, &v, bytes);  // little-endian, as the kernel writes
    s.ring->Process(ring.map());
    const std::vector<Completion> done = ring.TakeCompletions();
    std::string t = s.ring->Broken() ? StrFormat("broken, tail %u", ring.Tail())
                                     : StrFormat("%zu done", done.size());
    for (const Completion& c : done) t += ", " + Outcome(c);
    for (std::size_t n = 0; (n = s.notices.find('\n', n)) + 1 < s.notices.size();) {
      s.notices.replace(n, 1, "; ");
    }
    return t + ": " + s.notices.substr(0, s.notices.size() - 1);
  });
}

// A ring handler over a scripted drive that records what it was sent.
struct ScriptedServed {
  ScriptedServed() : ring(transport, clock, {}, [this](const std::string& n) { notices += n; }) {}
  ::tamarack::testing::ScriptedTransport transport;
  SimulatedClock clock;
  RingServer ring;
  std::string notices;
};

// Entries whose lengths loop back short of the head (a PAD over the whole ring, a CMD filling
// it so that the head wraps to 0), and a mailbox that contradicts the entries still open under
// a held command: corrupt rings; the walk ends at once and the drive sees no command again.
TEST(RingWalk, LoopsAndMailboxChangesAreACorruptRing) {
  const struct {
    std::uint32_t ring_size;
    bool held;  // a slow Read(10) is held first
    std::function<void(FakeRing&)> spoil;
    const char* notice;
  } cases[] = {
      {64, false, [](FakeRing& r) { r.Put<std::uint32_t>(FakeRing::kRingOff, 64); },
       "past the ring's head 8"},
      {112, false, [](FakeRing& r) { r.AddCmd(1, kTestUnitReady, {}); }, "past the ring's head 8"},
      {1024, true, [](FakeRing& r) { r.Put<std::uint32_t>(12, 0); },
       "head 0 lies among the open entries"},
      {1024, true, [](FakeRing& r) { r.Put<std::uint32_t>(8, 512); },
       "ring moved from offset 128, 1024 bytes"}};
  for (const auto& c : cases) {
    ScriptedServed s;
    FakeRing ring(c.ring_size);
    if (c.held) {
      s.transport.Push(::tamarack::testing::Refused(TransportStatus::kTimedOut, "slow"));
      ring.AddCmd(1, Read10(16, 1), {2048});
      s.ring.Process(ring.map());
      ASSERT_EQ(s.ring.HeldCount(), 1u);
    }
    c.spoil(ring);
    if (!c.held) ring.Put<std::uint32_t>(12, 8);
    EXPECT_FALSE(s.ring.Process(ring.map())) << c.notice;
    EXPECT_TRUE(s.ring.Broken()) << c.notice;
    EXPECT_NE(s.notices.find(c.notice), std::string::npos) << s.notices;
    EXPECT_EQ(s.transport.sent.size(), c.held ? 1u : 0u) << c.notice;
    EXPECT_EQ(ring.Tail(), 0u) << c.notice;  // a held command keeps the tail too
  }
}

TEST(RingWalk, AStopRequestEndsTheWalkBetweenEntries) {
  ScriptedServed s;
  std::atomic<bool> stop{false};
  s.transport.responder = [&stop](const ScsiRequest&) {
    stop = true;
    return ::tamarack::testing::Good();
  };
  FakeRing ring;
  for (std::uint16_t id = 1; id <= 3; ++id) ring.AddCmd(id, kTestUnitReady, {});
  EXPECT_TRUE(s.ring.Process(ring.map(), stop));
  EXPECT_EQ(s.transport.sent.size(), 1u);
  EXPECT_EQ(Ids(ring.TakeCompletions()), std::vector<std::uint16_t>{1});
  // The next round goes on from the entry where the walk stopped.
  EXPECT_TRUE(s.ring.Process(ring.map()));
  EXPECT_EQ(Ids(ring.TakeCompletions()), (std::vector<std::uint16_t>{2, 3}));
  EXPECT_EQ(ring.Tail(), ring.Head());
}

// In one buffer the drive writes straight into the data area; in several, the reply is
// scattered over them; a reply shorter than the buffers carries its length.
TEST(ServedCommand, DataInReachesEveryBuffer) {
  struct Row {
    Bytes cdb;
    std::vector<std::uint32_t> split;
  };
  for (const Row& row : {Row{Read10(16, 2), {4096}}, Row{Read10(16, 2), {1000, 3000, 96}},
                         Row{Inquiry(255), {200, 55}}}) {
    Served s;
    FakeRing ring;
    ring.AddCmd(1, row.cdb, row.split);
    s.ring->Process(ring.map());
    const std::vector<Completion> done = ring.TakeCompletions();
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].status, 0);
    Bytes direct(ring.DataOf(1).size());
    ScsiRequest request{{}, direct, DataDirection::kIn};  // the same drive's own answer
    std::copy(row.cdb.begin(), row.cdb.end(), request.cdb.begin());
    const std::uint32_t sent = s.opened.transport->Execute(request).transferred;
    // Inquiry's reply is shorter than its 255 bytes.
    EXPECT_EQ(done[0].read_len_flag, row.cdb[0] == 0x12) << row.split.size() << " buffers";
    EXPECT_EQ(done[0].read_len_flag ? done[0].read_len : direct.size(), sent);
    direct.resize(sent);
    const Bytes data = ring.DataOf(1);
    EXPECT_TRUE(std::equal(direct.begin(), direct.end(), data.begin())) << row.split.size();
  }
}

TEST(ServedCommand, DataOutIsTakenFromEveryBuffer) {
  // Mode Select(10): the header, then page 1Dh with group 1's time-out set to 33 s, in one
  // buffer or split over two.
  const Bytes list = {0, 0, 0, 0, 0, 0, 0, 0, 0x1D, 0x08, 0, 0, 0, 0, 0, 33, 0, 180};
  for (const std::vector<std::uint32_t>& split :
       {std::vector<std::uint32_t>{18}, std::vector<std::uint32_t>{8, 10}}) {
    Served s;
    FakeRing ring;
    ring.AddCmd(1, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 18, 0}, split, list);
    ring.AddCmd(2, {0x5A, 0, 0x1D, 0, 0, 0, 0, 0, 18, 0}, {18});
    s.ring->Process(ring.map());
    const std::vector<Completion> done = ring.TakeCompletions();
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].status, 0) << int{done[0].sense[2]};
    EXPECT_EQ(ring.DataOf(2)[8 + 7], 33) << split.size() << " buffers";
  }
}

// What the kernel sees of a drive's failures, each drive of served_failures.txt (its mailbox
// allowing out-of-order completion, or "in order"): a check condition with the drive's sense
// (its first byte, then the completion's outcome). Without out-of-order completion a command
// cannot be held: it fails at once.
TEST(ServedFailure, IsACheckConditionWithSense) {
  tamarack::testing::ExpectEachInput("served_failures.txt", "serve", [](const std::string& line) {
    Served s(line.substr(0, line.find(' ')));
    FakeRing ring(1024, line.ends_with(" in order") ? 0 : kOutOfOrderCap);
    ring.AddCmd(1, Read10(100, 1), {2048});
    EXPECT_TRUE(s.ring->Process(ring.map()));
    std::string t = "done:";
    for (const Completion& c : ring.TakeCompletions()) {
      t += StrFormat(" %u sense %02x ", c.cmd_id, c.sense[0]) + Outcome(c);
    }
    return t;
  });
}

// A slow command is held (a later one completes in its slot) until the kernel aborts it, or
// until its hold runs out: then it is answered with the time-out.
TEST(ServedCommand, ASlowCommandIsHeldUntilAbortedOrItsHoldRunsOut) {
  RingOptions options;
  options.hold_limit = std::chrono::seconds(90);
  Served s("emu:type13?slow=28", options);
  FakeRing ring;
  ring.AddCmd(1, Read10(16, 1), {2048});
  ring.AddCmd(2, kTestUnitReady, {});
  s.ring->Process(ring.map());
  EXPECT_EQ(Ids(ring.TakeCompletions()), std::vector<std::uint16_t>{2});
  EXPECT_EQ(s.ring->HeldCount(), 1u);
  s.ring->Process(ring.map());
  EXPECT_TRUE(ring.TakeCompletions().empty());
  ring.AddTmr(1, {1});  // abort task
  EXPECT_TRUE(s.ring->Process(ring.map()));
  EXPECT_EQ(Ids(ring.TakeCompletions()), std::vector<std::uint16_t>{1});
  EXPECT_EQ(s.ring->HeldCount(), 0u);
  EXPECT_EQ(ring.Tail(), ring.Head());

  ring.AddCmd(3, Read10(16, 1), {2048});
  s.ring->Process(ring.map());
  s.clock.Advance(std::chrono::seconds(89));
  EXPECT_FALSE(s.ring->Process(ring.map()));
  s.clock.Advance(std::chrono::seconds(1));
  EXPECT_TRUE(s.ring->Process(ring.map()));
  const std::vector<Completion> done = ring.TakeCompletions();
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(Outcome(done[0]), "2 0b/08/01");
}

}  // namespace
}  // namespace tamarack::serve
