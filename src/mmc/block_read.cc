#include "mmc/block_read.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "util/bytes.h"

namespace tamarack {

namespace {

// One past the last byte of `buffer` that is not `fill`.
std::uint32_t EndBeforeFill(std::span<const std::uint8_t> buffer, std::uint8_t fill) {
  std::size_t end = buffer.size();
  while (end > 0 && buffer[end - 1] == fill) --end;
  return static_cast<std::uint32_t>(end);
}

}  // namespace

[[gnu::hot]] std::uint32_t ReceivedFromFirstRead(std::span<const std::uint8_t> buffer,
                                                 std::uint32_t transferred, ReceivedWay* way,
                                                 bool* fill_says_short) {
  *fill_says_short = false;
  const auto size = static_cast<std::uint32_t>(buffer.size());
  const std::uint32_t counted = std::min(transferred, size);
  // A residual is believed only as far as the fill agrees: a path that counts bytes it never
  // wrote leaves them 5Ah.
  const std::uint32_t end = EndBeforeFill(buffer.first(counted), kReplyFill);
  if (end == counted) {
    *way = counted < size ? ReceivedWay::kResidual : ReceivedWay::kWhole;
    return counted;
  }
  *way = ReceivedWay::kFill;
  *fill_says_short = true;
  return end;
}

std::uint32_t ReceivedFromTwoReads(std::span<const std::uint8_t> first,
                                   std::span<const std::uint8_t> second) {
  const std::size_t n = std::min(first.size(), second.size());
  // Equal chunks by memcmp (vectorised), then the first differing chunk byte by byte.
  constexpr std::size_t kChunk = 1024;
  std::size_t at = 0;
  while (at + kChunk <= n && std::memcmp(first.data() + at, second.data() + at, kChunk) == 0) {
    at += kChunk;
  }
  while (at < n && first[at] == second[at]) ++at;
  return static_cast<std::uint32_t>(at);
}

namespace {

// A path that counts more bytes than the buffer took: the drive had more to send (an
// overrun), so the buffer's bytes are not the whole reply, however full it is.
void NoteOverrun(BlockReply* reply, std::uint32_t size) {
  if (reply->good() && reply->outcome.result.transferred > size) reply->overrun = true;
}

// Sends `cdb` into `buffer`. The reply is built around the outcome (no copy of it on every
// read); for a failed command it holds the count the path reported.
[[gnu::hot]] BlockReply Send(DeviceSession& session, const Cdb& cdb,
                             std::span<std::uint8_t> buffer) {
  BlockReply reply{.outcome = session.Run(cdb, buffer)};
  const auto size = static_cast<std::uint32_t>(buffer.size());
  if (!reply.good()) reply.received = std::min(reply.outcome.result.transferred, size);
  NoteOverrun(&reply, size);
  return reply;
}

// The read sent again over the complement of what the first one left in the buffer (A5h where
// it left the 5Ah fill), the first one having counted `first_counted` bytes: every byte the
// drive does not send then differs between the two, even where the buffer was not filled before
// the first read, and the first difference is where its data ended.
void SettleBySecondRead(DeviceSession& session, const Cdb& cdb, std::span<std::uint8_t> buffer,
                        std::uint32_t first_counted, BlockReply* reply) {
  const auto size = static_cast<std::uint32_t>(buffer.size());
  const std::vector<std::uint8_t> first(buffer.begin(), buffer.begin() + first_counted);
  for (std::uint8_t& b : buffer) b = static_cast<std::uint8_t>(~b);
  reply->second_read = true;
  BlockReply second = Send(session, cdb, buffer);
  reply->outcome = std::move(second.outcome);
  reply->overrun = reply->overrun || second.overrun;
  if (!reply->good()) {
    reply->received = second.received;
    return;
  }
  const std::uint32_t counted = std::min(reply->outcome.result.transferred, size);
  reply->received = ReceivedFromTwoReads(first, buffer.first(counted));
  reply->way = reply->received == size ? ReceivedWay::kWhole : ReceivedWay::kTwoFills;
}

// Over the full 5Ah fill, then (when the data may end in 5Ah bytes) read again.
[[gnu::hot]] BlockReply ReadOverFills(DeviceSession& session, const Cdb& cdb,
                                      std::span<std::uint8_t> buffer) {
  const auto size = static_cast<std::uint32_t>(buffer.size());
  std::fill(buffer.begin(), buffer.end(), kReplyFill);
  BlockReply reply = Send(session, cdb, buffer);
  if (!reply.good()) return reply;
  const std::uint32_t counted = std::min(reply.outcome.result.transferred, size);
  bool fill_says_short = false;
  reply.received = ReceivedFromFirstRead(buffer, counted, &reply.way, &fill_says_short);
  // Data may end in 5Ah bytes: the same read over another fill tells them from the fill.
  if (fill_says_short) SettleBySecondRead(session, cdb, buffer, counted, &reply);
  return reply;
}

// A read of known length: only the guard at the buffer's end is filled. Where the drive wrote
// the buffer's last byte (or the path zeroed or padded the tail) the reply is whole, as it would
// be over a full fill. Else the read is sent again over the complement of what the first one
// left: where the whole guard kept its 5Ah, the bytes before it may be an earlier read's, and
// only the complement makes every byte the drive did not send differ.
[[gnu::hot]] BlockReply ReadWithGuard(DeviceSession& session, const Cdb& cdb,
                                      std::span<std::uint8_t> buffer) {
  const auto size = static_cast<std::uint32_t>(buffer.size());
  const auto guard = buffer.last(std::min<std::size_t>(kReplyGuard, size));
  std::fill(guard.begin(), guard.end(), kReplyFill);
  BlockReply reply = Send(session, cdb, buffer);
  if (!reply.good()) return reply;
  // A count short of the buffer cannot be believed here: only the guard had the fill, so
  // bytes the path counted and never wrote would pass unseen. The read over the complement
  // settles it: only bytes the drive sent both times count.
  if (reply.outcome.result.transferred < size) {
    SettleBySecondRead(session, cdb, buffer, reply.outcome.result.transferred, &reply);
    return reply;
  }
  bool fill_says_short = false;
  ReceivedFromFirstRead(guard, static_cast<std::uint32_t>(guard.size()), &reply.way,
                        &fill_says_short);
  if (!fill_says_short) {
    reply.received = size;
    return reply;
  }
  SettleBySecondRead(session, cdb, buffer, size, &reply);
  return reply;
}

}  // namespace

[[gnu::hot]] BlockReply ReadBlocks(DeviceSession& session, const Cdb& cdb,
                                   std::span<std::uint8_t> buffer, std::uint32_t expected) {
  // A buffer of another size than the reply's (the size still to be found, or more room than
  // the reply needs) is filled whole: the fill must show where the data ended.
  BlockReply reply = expected == buffer.size() ? ReadWithGuard(session, cdb, buffer)
                                               : ReadOverFills(session, cdb, buffer);
  reply.short_reply = expected != 0 && reply.good() && (reply.received < expected || reply.overrun);
  return reply;
}

}  // namespace tamarack
