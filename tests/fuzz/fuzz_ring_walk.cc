// The ring handler over a map whose mailbox and entries come from the fuzzer, served by a
// scripted drive that answers as the fuzzer steers it. The walk never reads or writes outside the
// map (the map is a heap block of its exact size), always ends, runs no CMD entry twice in one
// walk, and never moves the tail past the head.
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
#include <optional>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/scripted_transport.h"
#include "fuzz/fuzz_input.h"
#include "serve/fake_ring.h"
#include "serve/ring_server.h"

namespace {

using namespace tamarack;
using namespace tamarack::serve;
using serve::testing::FakeRing;
namespace scripted = tamarack::testing;

constexpr std::size_t kDataArea = 4096;
constexpr int kRounds = 8;
constexpr int kWritesPerRound = 8;

// Ends the run with what was broken, so that a finding names itself.
[[noreturn]] void Violated(const char* what) {
  std::fprintf(stderr, "fuzz_ring_walk: %s\n", what);
  std::abort();
}

// The commands a walk sent, and the most it may send: a walk that sends more commands than its
// ring can hold CMD entries is looping, and ends the run at once.
struct Walk {
  std::size_t sent = 0;
  std::size_t limit = 0;
};

// Answers by the CDB's last byte, so that the fuzzer steers it: GOOD with all of the data or
// half, a time-out (held on a ring that completes out of order), a failed path.
scripted::ScriptedReply Answer(const ScsiRequest& request, Walk& walk) {
  if (++walk.sent > walk.limit) Violated("a walk ran more commands than its CMD entries");
  const std::uint8_t how = request.cdb[kCdbSize - 1];
  if ((how & 3) >= 2) {
    return scripted::Refused(
        (how & 3) == 2 ? TransportStatus::kTimedOut : TransportStatus::kTransportError, "");
  }
  const std::size_t n = (how & 3) == 0 ? request.buffer.size() : request.buffer.size() / 2;
  scripted::ScriptedReply r = scripted::Good(
      std::vector<std::uint8_t>(request.direction == DataDirection::kIn ? n : 0, how));
  r.result.transferred = static_cast<std::uint32_t>(n);
  return r;
}

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

  Walk walk;
  scripted::ScriptedTransport drive("fuzz");
  drive.responder = [&walk](const ScsiRequest& request) { return Answer(request, walk); };
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
    walk.sent = 0;
    walk.limit =
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
