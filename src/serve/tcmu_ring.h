// The command ring the kernel's user-space SCSI backstore shares with its handler, as pure
// functions over the mapped bytes. Every offset and length the kernel wrote is checked against
// the map before it is used: a corrupt ring gives an error text, never a read outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/scsi.h"

namespace tamarack::serve {

// The layout (the kernel's, checked against its header where the machine has it).
inline constexpr std::uint16_t kMailboxVersion = 2;
inline constexpr std::size_t kMailboxSize = 68;  // up to and with cmd_tail
inline constexpr std::size_t kCmdTailOffset = 64;
inline constexpr std::size_t kEntryHeaderSize = 8;
inline constexpr std::size_t kCdbOffsetInEntry = 24;
inline constexpr std::size_t kIovecsInEntry = 48;
inline constexpr std::size_t kIovecSize = 16;
inline constexpr std::size_t kReplyStatusOffset = 8;
inline constexpr std::size_t kReplyReadLenOffset = 12;
inline constexpr std::size_t kReplySenseOffset = 16;
inline constexpr std::size_t kReplySenseSize = 96;
inline constexpr std::size_t kMinCmdEntry = 112;  // header, and the reply's room
inline constexpr std::size_t kTmrTypeOffset = 8;
inline constexpr std::size_t kTmrCountOffset = 12;
inline constexpr std::size_t kTmrIdsOffset = 32;
inline constexpr std::uint8_t kReadLenFlag = 0x2;     // uflags: read_len holds the real length
inline constexpr std::uint16_t kOutOfOrderCap = 0x1;  // mailbox flags: completions in any order
inline constexpr std::uint16_t kTmrCap = 0x4;         // mailbox flags: aborts are announced

struct Mailbox {
  std::uint16_t version = 0;
  std::uint16_t flags = 0;
  std::uint32_t cmdr_off = 0;
  std::uint32_t cmdr_size = 0;
  std::uint32_t cmd_head = 0;
  std::uint32_t cmd_tail = 0;
};

// Reads the mailbox (the head with acquire order, so the entries before it are visible) and
// checks that the ring lies inside the map; false with `error` otherwise.
bool ReadMailbox(std::span<std::uint8_t> map, Mailbox* mailbox, std::string* error);

// Publishes a new tail (release order: the replies before it are written first).
void WriteTail(std::span<std::uint8_t> map, std::uint32_t tail);

enum class EntryOp : std::uint8_t { kPad = 0, kCmd = 1, kTmr = 2 };

struct EntryHeader {
  std::uint32_t at = 0;      // offset in the ring
  std::uint32_t length = 0;  // a multiple of 8, inside the ring
  std::uint8_t op = 0;       // an EntryOp, or an op this handler does not know
  std::uint16_t cmd_id = 0;
};

// The header of the entry at ring offset `at`; false with `error` when its length cannot be
// walked (zero, unaligned, or past the ring's end: the kernel pads instead of wrapping), or for
// a CMD entry too short to take its reply.
bool ReadEntryHeader(std::span<std::uint8_t> map, const Mailbox& mailbox, std::uint32_t at,
                     EntryHeader* header, std::string* error);

// Where the next entry starts.
std::uint32_t NextEntry(const Mailbox& mailbox, const EntryHeader& header);

// Bytes of the ring from offset `from` forward to offset `to` (0 when they are equal): all a
// walk between them may cover. The kernel never fills the ring to the last byte, so equal
// offsets always mean an empty stretch.
std::uint32_t RingDistance(const Mailbox& mailbox, std::uint32_t from, std::uint32_t to);

struct IoVec {
  std::uint64_t offset = 0;  // into the map
  std::uint64_t length = 0;
};

struct CmdRequest {
  std::uint16_t cmd_id = 0;
  Cdb cdb{};  // the first 12 bytes (the kernel's copy may be longer)
  std::vector<IoVec> iovecs;
  std::uint64_t data_length = 0;  // the iovecs' sum
};

// The request of a CMD entry: its CDB and data buffers, the buffers in the data area after the
// ring.
bool ParseCmd(std::span<std::uint8_t> map, const Mailbox& mailbox, const EntryHeader& header,
              CmdRequest* request, std::string* error);

struct TmrRequest {
  std::uint8_t type = 0;  // 1 abort task, 5 LUN reset, ...
  std::vector<std::uint16_t> cmd_ids;
};

bool ParseTmr(std::span<std::uint8_t> map, const Mailbox& mailbox, const EntryHeader& header,
              TmrRequest* request, std::string* error);

struct Reply {
  std::uint16_t cmd_id = 0;
  std::uint8_t scsi_status = 0;
  std::vector<std::uint8_t> sense;  // fixed format; at most kReplySenseSize bytes are kept
  bool short_read = false;          // a data-in reply shorter than the buffers
  std::uint32_t read_length = 0;    // bytes really sent, when short_read
};

// Writes `reply` over the request part of the CMD entry `header` names, with the reply's own
// command id (a completion may take any CMD slot when the kernel completes out of order).
void WriteReply(std::span<std::uint8_t> map, const Mailbox& mailbox, const EntryHeader& header,
                const Reply& reply);

// Fixed-format sense bytes (18) for `key`, `asc`, `ascq`.
std::vector<std::uint8_t> FixedSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);

}  // namespace tamarack::serve
