// Reading blocks: the one place that fills the buffer, sends the read (a Read CD from
// read_cd.h, or any read) and works out how many bytes the drive really sent. Every long job reads
// through it.
//
// A status of GOOD says nothing about the length: libata reports the whole request as
// transferred, so the bytes the drive did not send are known only from the 5Ah fill the buffer
// had before the read. The fill alone cannot tell a short transfer from data that end in 5Ah
// bytes; where it says short of what the path counted, the same read is sent again over the
// complement of what the first one left (A5h where it left 5Ah): a byte the drive sent is the
// same both times, a byte it did not send is not. Paths that zero or pad the unsent tail (a bounced
// buffer, a padding adapter) report the whole request and leave no trace of a short transfer at
// all; a reply there counts as whole.
#pragma once

#include <cstdint>
#include <span>

#include "device/device_session.h"
#include "device/read_cd_selection.h"
#include "device/scsi.h"
#include "mmc/read_cd.h"

namespace tamarack {

// The byte a data-in buffer is filled with before a read, so that its unsent tail shows.
inline constexpr std::uint8_t kReplyFill = 0x5A;
// What the second read that settles a reply ending in 5Ah bytes finds where the first one left
// the 5Ah fill (its complement).
inline constexpr std::uint8_t kSecondFill = static_cast<std::uint8_t>(~kReplyFill);
// Bytes at the end of a read of known length that get the 5Ah fill before it: the rest of the
// buffer is not filled, as a reply that writes the buffer's last byte is whole whatever it held.
inline constexpr std::uint32_t kReplyGuard = 512;
// Room per block in a job's read buffer: the largest block Read CD returns with the C2 error
// flags, rounded up. A job that does not yet know the size asks for blocks x this.
inline constexpr std::uint32_t kBlockRoom = 2656;

// How the received count was known.
enum class ReceivedWay {
  kWhole,     // the path said nothing: no residual, no fill left (a zeroed or padded tail)
  kResidual,  // the transferred count the transport reported, short of the request
  kFill,      // where the 5Ah fill began (no 5Ah byte at the end of the data)
  kTwoFills,  // the fill said short; the read over the A5h fill settled how short
};

// What one read brought back.
struct BlockReply {
  CommandOutcome outcome;
  // Bytes the drive sent, at most the buffer's size. For a failed command: what the path
  // reported, which proves nothing.
  std::uint32_t received = 0;
  ReceivedWay way = ReceivedWay::kWhole;
  // The read was sent twice (the second over the A5h fill); a job counts and logs both.
  bool second_read = false;
  // GOOD status, but fewer bytes than the job expected.
  bool short_reply = false;
  // GOOD status, and the path counted more bytes than the buffer took: the drive had more to
  // send than the buffer held, so a full buffer is not the whole reply. ReadBlocks counts it
  // as a short reply of a read of known length.
  bool overrun = false;

  bool good() const { return outcome.status == CommandStatus::kGood; }
  // GOOD status and every byte expected, and no more.
  bool ok() const { return good() && !short_reply && !overrun; }
  // GOOD status, and the path counted more than the `expected` bytes the blocks hold (a zeroed
  // or padded tail counts the whole buffer and is not this): what the buffer holds past the
  // drive's bytes is fill, so none of it is known to be the blocks' data.
  bool CountedBeyond(std::uint64_t expected) const {
    return good() && way != ReceivedWay::kWhole && received > expected;
  }
};

// A good reply into room past the `expected` bytes its blocks hold that came back counted
// whole with no fill left after them: the path zeroes or pads what the drive did not send (a
// bounced buffer, a padding adapter), so a short transfer cannot be told on it.
inline bool PathHidesShortTransfers(const BlockReply& reply, std::uint64_t expected) {
  return reply.good() && reply.way == ReceivedWay::kWhole && expected != 0 &&
         reply.received > expected;
}

// Sends `cdb` into `buffer` (data in, the session's time-out, no sense dialog) and works out what
// arrived. `expected` is the byte count the job knows the read returns (blocks x block size);
// 0 when it does not know it yet (a read that finds the block size): then `short_reply` stays
// false and the caller judges `received`. A buffer of just the expected size gets the 5Ah fill
// in its last kReplyGuard bytes only, and bytes past `received` are no data; any other buffer is
// filled whole, and bytes past `received` keep the fill the last read left (5Ah or A5h).
// Runs on the caller's thread.
BlockReply ReadBlocks(DeviceSession& session, const Cdb& cdb, std::span<std::uint8_t> buffer,
                      std::uint32_t expected);

// The received count of a good reply from the transport's count and the buffer alone, without
// a second read: the transport's count (the residual, or the whole buffer) where the bytes it
// counts do not end in the 5Ah fill, else where that fill began. `fill_says_short` is set when
// the fill says the reply is shorter than counted (a second read would settle it).
std::uint32_t ReceivedFromFirstRead(std::span<const std::uint8_t> buffer, std::uint32_t transferred,
                                    ReceivedWay* way, bool* fill_says_short);

// The received count from two reads of the same blocks over different fills, each given as far
// as its path counted: a byte the drive sent is the same in both, a byte it did not send kept a
// different fill, so the drive's bytes end at the first difference. Where the drive sent
// different data the two times, the count ends there too: only bytes both reads agree on count.
std::uint32_t ReceivedFromTwoReads(std::span<const std::uint8_t> first,
                                   std::span<const std::uint8_t> second);

}  // namespace tamarack
