// Reading blocks: the one place that builds a Read CD, fills the buffer, sends the read and
// works out how many bytes the drive really sent. Every long job reads through it.
//
// A status of GOOD says nothing about the length: libata reports the whole request as
// transferred, so the bytes the drive did not send are known only from the 5Ah fill the buffer
// had before the read. The fill alone cannot tell a short transfer from data that end in 5Ah
// bytes; where it says short and the path gave no residual, the same read is sent again over
// an A5h fill: a byte the drive sent is the same under both fills, a byte it did not send is
// not. Paths that zero or pad the unsent tail (a bounced buffer, a padding adapter) report the
// whole request and leave no trace of a short transfer at all; a reply there counts as whole.
#pragma once

#include <cstdint>
#include <span>

#include "device/device_session.h"
#include "device/read_cd_selection.h"
#include "device/scsi.h"

namespace tamarack {

// The byte a data-in buffer is filled with before a read, so that its unsent tail shows.
inline constexpr std::uint8_t kReplyFill = 0x5A;
// The fill of the second read that settles a reply ending in 5Ah bytes.
inline constexpr std::uint8_t kSecondFill = 0xA5;
// Bytes at the end of a read of known length that get the 5Ah fill before it: the rest of the
// buffer is not filled, as a reply that writes the buffer's last byte is whole whatever it held.
inline constexpr std::uint32_t kReplyGuard = 512;
// Room per block in a job's read buffer: the largest block Read CD returns with the C2 error
// flags, rounded up. A job that does not yet know the size asks for blocks x this.
inline constexpr std::uint32_t kBlockRoom = 2656;

// Read CD (BEh) of `blocks` blocks at `lba` with `selection` (expected sector type, main and
// sub-channel selection); user data of any sector type by default.
Cdb ReadCdCdb(std::uint32_t lba, std::uint32_t blocks, const ReadCdSelection& selection = {});

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

  bool good() const { return outcome.status == CommandStatus::kGood; }
  // GOOD status and every byte expected.
  bool ok() const { return good() && !short_reply; }
  // GOOD status, and the path counted more than the `expected` bytes the blocks hold (a zeroed
  // or padded tail counts the whole buffer and is not this): what the buffer holds past the
  // drive's bytes is fill, so none of it is known to be the blocks' data.
  bool CountedBeyond(std::uint64_t expected) const {
    return good() && way != ReceivedWay::kWhole && received > expected;
  }
};

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
// a second read: the residual when the count is short of the buffer, else where the 5Ah fill
// began. `fill_says_short` is set when only the fill says the reply is short (a second read
// would settle it).
std::uint32_t ReceivedFromFirstRead(std::span<const std::uint8_t> buffer, std::uint32_t transferred,
                                    ReceivedWay* way, bool* fill_says_short);

// The received count from two reads of the same blocks: `first_end`, where the 5Ah fill of the
// first read began, `first_a5_from`, where the run of A5h bytes that ends the first read's data
// begins (`first_end` when its last byte is no A5h), and `second`, the buffer of the read over
// A5h. The drive's last byte cannot be both 5Ah and A5h, so the later of the two fill starts is
// where its bytes end, as long as both reads sent as much. The buffer holds the second read: its
// A5h bytes short of `first_end` are the drive's only where the first read sent A5h there too;
// else the second read was the shorter one and its own fill start is the count.
std::uint32_t ReceivedFromTwoFills(std::uint32_t first_end, std::uint32_t first_a5_from,
                                   std::span<const std::uint8_t> second);

}  // namespace tamarack
