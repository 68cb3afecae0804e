// The ring handler over a map whose mailbox and entries come from the fuzzer, served by a drive
// that records what it is sent. The walk never reads or writes outside the map (the map is a
// heap block of its exact size), always ends, runs no CMD entry twice in one walk, and never
// moves the tail past the head.
// Input: flags (1 byte: bit 0 out-of-order completion, bit 1 task management, bit 2 the ring's
// offset from the input), the ring's size (1 byte: 8 to 1024 bytes in steps of 8), the tail and
// the head (1 byte each: the entry number), [the ring's offset (4 bytes)], the ring's bytes;
// then rounds: a count of kernel writes (1 byte), each 2 bytes of offset into the map and 4
// bytes of value, the round's walk after them.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "device/clock.h"
#include "fuzz/fuzz_input.h"
#include "serve/fake_ring.h"
#include "serve/ring_server.h"

namespace {

using namespace tamarack;
using namespace tamarack::serve;
using testing::FakeRing;

constexpr std::size_t kDataArea = 4096;
constexpr int kRounds = 8;
constexpr int kWritesPerRound = 8;

// Ends the run with what was broken, so that a finding names itself.
[[noreturn]] void Violated(const char* what) {
  std::fprintf(stderr, "fuzz_ring_walk: %s\n", what);
  std::abort();
}

// Answers by the CDB's last byte, so that the fuzzer steers it: GOOD with all of the data or
// half, a time-out (held on a ring that completes out of order), a failed path. A walk that
// sends more commands than its ring can hold CMD entries is looping: it ends the run at once.
class RecordingDrive final : public Transport {
 public:
  ScsiResult Execute(const ScsiRequest& request) override {
    if (++sent_in_walk > walk_limit) Violated("a walk ran more commands than its CMD entries");
    ScsiResult r;
    r.status = TransportStatus::kCompleted;
    const std::uint8_t how = request.cdb[kCdbSize - 1];
    switch (how & 3) {
      case 0:
      case 1: {
        const std::size_t n = (how & 3) == 0 ? request.buffer.size() : request.buffer.size() / 2;
        if (request.direction == DataDirection::kIn) std::memset(request.buffer.data(), how, n);
        r.transferred = static_cast<std::uint32_t>(n);
        break;
      }
      case 2:
        r.status = TransportStatus::kTimedOut;
        break;
      case 3:
        r.status = TransportStatus::kTransportError;
        break;
    }
    return r;
  }
  bool GetAddress(ScsiAddress*) override { return false; }
  std::string Id() const override { return "fuzz"; }

  std::size_t sent_in_walk = 0;
  std::size_t walk_limit = 0;
};

// The CMD entries a walk from `from` may run before it reaches the head: in the ring's order,
// each offset once, up to the first entry that cannot be walked.
std::size_t CmdEntriesAhead(std::span<std::uint8_t> map, const Mailbox& m, std::uint32_t from) {
  std::vector<bool> seen(m.cmdr_size / 8 + 1, false);
  std::size_t cmds = 0;
  std::string error;
  for (std::uint32_t at = from; at != m.cmd_head;) {
    if (at % 8 != 0 || at >= m.cmdr_size || seen[at / 8]) break;
    seen[at / 8] = true;
    EntryHeader h;
    if (!ReadEntryHeader(map, m, at, &h, &error)) break;
    if (h.op == static_cast<std::uint8_t>(EntryOp::kCmd)) ++cmds;
    at = NextEntry(m, h);
  }
  return cmds;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::FuzzInput in(data, size);
  const std::uint8_t flags = in.Byte();
  const std::uint32_t ring_size = 8u * (1u + in.Byte() % 128u);
  const std::uint32_t tail = 8u * (in.Byte() % (ring_size / 8));
  const std::uint32_t head = 8u * (in.Byte() % (ring_size / 8));
  FakeRing ring(ring_size,
                static_cast<std::uint16_t>(((flags & 1) != 0 ? kOutOfOrderCap : 0) |
                                           ((flags & 2) != 0 ? kTmrCap : 0)),
                kDataArea);
  if ((flags & 4) != 0) ring.Put<std::uint32_t>(4, in.U32());  // the ring's offset
  ring.Put<std::uint32_t>(12, head);
  ring.Put<std::uint32_t>(kCmdTailOffset, tail);
  const std::span<std::uint8_t> map = ring.map();
  const auto entries = in.Take(ring_size);
  std::copy(entries.begin(), entries.end(), map.begin() + FakeRing::kRingOff);

  RecordingDrive drive;
  SimulatedClock clock;
  RingServer server(drive, clock, {}, nullptr);
  // Where the next walk starts: the tail at first, then the head the last walk reached.
  std::optional<std::uint32_t> walked_to;
  for (int round = 0; round < kRounds && !server.Broken(); ++round) {
    if (round > 0) {
      if (in.empty()) break;
      const int writes = in.Byte() % (kWritesPerRound + 1);
      for (int i = 0; i < writes; ++i) {
        const std::size_t at = in.U16() % (map.size() - 3);
        ring.Put<std::uint32_t>(at, in.U32());
      }
      clock.Advance(std::chrono::seconds(61));  // held commands run out of time in a few rounds
    }
    Mailbox m;
    std::string error;
    const bool readable = ReadMailbox(map, &m, &error);
    const std::uint32_t from = walked_to.value_or(readable ? m.cmd_tail : 0);
    drive.sent_in_walk = 0;
    drive.walk_limit =
        readable ? std::min<std::size_t>(CmdEntriesAhead(map, m, from), m.cmdr_size / kMinCmdEntry)
                 : 0;
    server.Process(map);
    if (server.Broken()) break;
    if (!readable) Violated("a mailbox that cannot be read did not break the ring");
    walked_to = m.cmd_head;
    const std::uint32_t new_tail = ring.Tail();
    // The tail moves forward over answered entries only: never past the head.
    if (new_tail % 8 != 0 || new_tail >= m.cmdr_size ||
        RingDistance(m, m.cmd_tail, new_tail) > RingDistance(m, m.cmd_tail, m.cmd_head)) {
      Violated("the tail moved past the head");
    }
  }
  return 0;
}
