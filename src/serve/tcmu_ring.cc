#include "serve/tcmu_ring.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>

#include "util/strings.h"

namespace tamarack::serve {
namespace {

// The kernel's layout written out (its uapi header converts an int to an enum, which C++
// rejects), so that the offsets in tcmu_ring.h are checked against it. The CMD entry's request part
// is not packed: its 64-bit CDB offset is aligned to 8.
struct EntryHeaderLayout {
  std::uint32_t len_op;
  std::uint16_t cmd_id;
  std::uint8_t kflags;
  std::uint8_t uflags;
};
struct MailboxLayout {
  std::uint16_t version;
  std::uint16_t flags;
  std::uint32_t cmdr_off;
  std::uint32_t cmdr_size;
  std::uint32_t cmd_head;
  alignas(64) std::uint32_t cmd_tail;  // on a cache line of its own
};
struct RequestLayout {
  EntryHeaderLayout header;
  std::uint32_t iov_cnt, iov_bidi_cnt, iov_dif_cnt;
  std::uint64_t cdb_off, pad1, pad2;  // then the iovecs: {u64 base offset, u64 length}
};
struct ReplyLayout {
  EntryHeaderLayout header;
  std::uint8_t scsi_status, pad1;
  std::uint16_t pad2;
  std::uint32_t read_len;
  std::uint8_t sense_buffer[kReplySenseSize];
};
struct TmrLayout {
  EntryHeaderLayout header;
  std::uint8_t tmr_type, pad1;
  std::uint16_t pad2;
  std::uint32_t cmd_cnt;
  std::uint64_t pad3, pad4;  // then the u16 command ids
};
static_assert(sizeof(EntryHeaderLayout) == kEntryHeaderSize);
static_assert(offsetof(MailboxLayout, cmd_tail) == kCmdTailOffset);
static_assert(offsetof(RequestLayout, cdb_off) == kCdbOffsetInEntry);
static_assert(sizeof(RequestLayout) == kIovecsInEntry);
static_assert(offsetof(ReplyLayout, scsi_status) == kReplyStatusOffset);
static_assert(offsetof(ReplyLayout, read_len) == kReplyReadLenOffset);
static_assert(offsetof(ReplyLayout, sense_buffer) == kReplySenseOffset);
static_assert(sizeof(ReplyLayout) == kMinCmdEntry);
static_assert(offsetof(TmrLayout, tmr_type) == kTmrTypeOffset);
static_assert(offsetof(TmrLayout, cmd_cnt) == kTmrCountOffset);
static_assert(sizeof(TmrLayout) == kTmrIdsOffset);

}  // namespace
}  // namespace tamarack::serve

namespace tamarack::serve {

namespace {

// The map is the kernel's, in the machine's byte order. Callers check the bounds first.
template <typename T>
T Load(std::span<const std::uint8_t> map, std::size_t at) {
  T v;
  std::memcpy(&v, map.data() + at, sizeof v);
  return v;
}

template <typename T>
void Store(std::span<std::uint8_t> map, std::size_t at, T v) {
  std::memcpy(map.data() + at, &v, sizeof v);
}

// True when [offset, offset + length) lies inside a region of `size` bytes.
bool Inside(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
  return offset <= size && length <= size - offset;
}

std::size_t EntryStart(const Mailbox& m, const EntryHeader& h) {
  return std::size_t{m.cmdr_off} + h.at;
}

}  // namespace

bool ReadMailbox(std::span<std::uint8_t> map, Mailbox* m, std::string* error) {
  if (map.size() < kMailboxSize) {
    *error = StrFormat("the map has %zu bytes, less than the mailbox", map.size());
    return false;
  }
  m->version = Load<std::uint16_t>(map, 0);
  m->flags = Load<std::uint16_t>(map, 2);
  m->cmdr_off = Load<std::uint32_t>(map, 4);
  m->cmdr_size = Load<std::uint32_t>(map, 8);
  m->cmd_head = Load<std::uint32_t>(map, 12);
  std::atomic_thread_fence(std::memory_order_acquire);
  m->cmd_tail = Load<std::uint32_t>(map, kCmdTailOffset);
  if (m->version != kMailboxVersion) {
    *error =
        StrFormat("mailbox version %u, this handler knows version %u", m->version, kMailboxVersion);
    return false;
  }
  if (m->cmdr_off < kMailboxSize || m->cmdr_size < kEntryHeaderSize ||
      !Inside(m->cmdr_off, m->cmdr_size, map.size())) {
    *error = StrFormat("the command ring (offset %u, %u bytes) does not fit the %zu-byte map",
                       m->cmdr_off, m->cmdr_size, map.size());
    return false;
  }
  if (m->cmd_head >= m->cmdr_size || m->cmd_head % 8 != 0) {
    *error = StrFormat("the ring's head %u is not an entry of the %u-byte ring", m->cmd_head,
                       m->cmdr_size);
    return false;
  }
  if (m->cmd_tail >= m->cmdr_size || m->cmd_tail % 8 != 0) {
    *error = StrFormat("the ring's tail %u is not an entry of the %u-byte ring", m->cmd_tail,
                       m->cmdr_size);
    return false;
  }
  return true;
}

void WriteTail(std::span<std::uint8_t> map, std::uint32_t tail) {
  std::atomic_thread_fence(std::memory_order_release);
  Store(map, kCmdTailOffset, tail);
}

bool ReadEntryHeader(std::span<std::uint8_t> map, const Mailbox& m, std::uint32_t at,
                     EntryHeader* h, std::string* error) {
  if (at % 8 != 0 || !Inside(at, kEntryHeaderSize, m.cmdr_size)) {
    *error = StrFormat("entry offset %u is outside the %u-byte ring", at, m.cmdr_size);
    return false;
  }
  const std::size_t start = std::size_t{m.cmdr_off} + at;
  const std::uint32_t len_op = Load<std::uint32_t>(map, start);
  h->at = at;
  h->length = len_op & ~std::uint32_t{7};
  h->op = static_cast<std::uint8_t>(len_op & 7);
  h->cmd_id = Load<std::uint16_t>(map, start + 4);
  if (h->length < kEntryHeaderSize || !Inside(at, h->length, m.cmdr_size)) {
    *error = StrFormat("the entry at %u claims %u bytes, which the %u-byte ring cannot hold", at,
                       h->length, m.cmdr_size);
    return false;
  }
  // A command's reply is written over its entry, so the entry must have room for it.
  if (h->op == static_cast<std::uint8_t>(EntryOp::kCmd) && h->length < kMinCmdEntry) {
    *error =
        StrFormat("command %u: its %u-byte entry has no room for a reply", h->cmd_id, h->length);
    return false;
  }
  return true;
}

std::uint32_t NextEntry(const Mailbox& m, const EntryHeader& h) {
  return static_cast<std::uint32_t>((std::uint64_t{h.at} + h.length) % m.cmdr_size);
}

std::uint32_t RingDistance(const Mailbox& m, std::uint32_t from, std::uint32_t to) {
  return static_cast<std::uint32_t>((std::uint64_t{to} + m.cmdr_size - from) % m.cmdr_size);
}

bool ParseCmd(std::span<std::uint8_t> map, const Mailbox& m, const EntryHeader& h, CmdRequest* r,
              std::string* error) {
  const std::size_t start = EntryStart(m, h);
  const std::uint32_t iov_count = Load<std::uint32_t>(map, start + 8);
  const std::uint64_t cdb_off = Load<std::uint64_t>(map, start + kCdbOffsetInEntry);
  if (iov_count > (h.length - kIovecsInEntry) / kIovecSize) {
    *error = StrFormat("command %u: %u data buffers do not fit its %u-byte entry", h.cmd_id,
                       iov_count, h.length);
    return false;
  }
  // Six bytes is the shortest CDB; a longer one is copied as far as the map goes.
  if (!Inside(cdb_off, 6, map.size())) {
    *error = StrFormat("command %u: its CDB offset %llu is outside the map", h.cmd_id,
                       static_cast<unsigned long long>(cdb_off));
    return false;
  }
  r->cmd_id = h.cmd_id;
  r->cdb.fill(0);
  const std::size_t cdb_bytes = std::min<std::uint64_t>(kCdbSize, map.size() - cdb_off);
  std::memcpy(r->cdb.data(), map.data() + cdb_off, cdb_bytes);
  r->iovecs.clear();
  r->data_length = 0;
  const std::uint64_t data_area = std::uint64_t{m.cmdr_off} + m.cmdr_size;
  for (std::uint32_t i = 0; i < iov_count; ++i) {
    const std::size_t at = start + kIovecsInEntry + i * kIovecSize;
    IoVec v{Load<std::uint64_t>(map, at), Load<std::uint64_t>(map, at + 8)};
    if (!Inside(v.offset, v.length, map.size())) {
      *error = StrFormat("command %u: data buffer %u (offset %llu, %llu bytes) is outside the map",
                         h.cmd_id, i, static_cast<unsigned long long>(v.offset),
                         static_cast<unsigned long long>(v.length));
      return false;
    }
    // Data buffers lie in the data area after the ring: a reply written over the mailbox or
    // the entries would rewrite the ring under the walk.
    if (v.length != 0 && v.offset < data_area) {
      *error = StrFormat("command %u: data buffer %u (offset %llu) lies over the ring", h.cmd_id, i,
                         static_cast<unsigned long long>(v.offset));
      return false;
    }
    r->data_length += v.length;
    r->iovecs.push_back(v);
  }
  // Buffers that overlap could add up to more than the map; no real request does.
  if (r->data_length > map.size()) {
    *error = StrFormat("command %u: its data buffers add up to more than the map", h.cmd_id);
    return false;
  }
  return true;
}

bool ParseTmr(std::span<std::uint8_t> map, const Mailbox& m, const EntryHeader& h, TmrRequest* r,
              std::string* error) {
  const std::size_t start = EntryStart(m, h);
  if (h.length < kTmrIdsOffset) {
    *error = StrFormat("task management entry at %u: %u bytes are too short", h.at, h.length);
    return false;
  }
  r->type = map[start + kTmrTypeOffset];
  const std::uint32_t count = Load<std::uint32_t>(map, start + kTmrCountOffset);
  if (count > (h.length - kTmrIdsOffset) / 2) {
    *error = StrFormat("task management entry at %u: %u command ids do not fit its %u bytes", h.at,
                       count, h.length);
    return false;
  }
  r->cmd_ids.clear();
  for (std::uint32_t i = 0; i < count; ++i) {
    r->cmd_ids.push_back(Load<std::uint16_t>(map, start + kTmrIdsOffset + std::size_t{2} * i));
  }
  return true;
}

void WriteReply(std::span<std::uint8_t> map, const Mailbox& m, const EntryHeader& h,
                const Reply& reply) {
  // ReadEntryHeader made sure a CMD entry has room for the reply.
  const std::size_t start = EntryStart(m, h);
  Store(map, start + 4, reply.cmd_id);
  std::uint8_t uflags = map[start + 7];
  uflags = static_cast<std::uint8_t>(reply.short_read ? (uflags | kReadLenFlag)
                                                      : (uflags & ~kReadLenFlag));
  map[start + 7] = uflags;
  map[start + kReplyStatusOffset] = reply.scsi_status;
  Store(map, start + kReplyReadLenOffset, reply.short_read ? reply.read_length : 0u);
  auto sense = map.subspan(start + kReplySenseOffset, kReplySenseSize);
  std::fill(sense.begin(), sense.end(), 0);
  std::copy_n(reply.sense.begin(), std::min(reply.sense.size(), sense.size()), sense.begin());
}

std::vector<std::uint8_t> FixedSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  std::vector<std::uint8_t> s(18, 0);
  s[0] = 0x70;
  s[2] = key;
  s[7] = 10;
  s[12] = asc;
  s[13] = ascq;
  return s;
}

}  // namespace tamarack::serve
