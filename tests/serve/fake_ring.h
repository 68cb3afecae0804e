// A command ring built the way the kernel builds it: the mailbox, CMD entries with their CDB
// and iovecs (offsets into the map's data area), PAD entries where an entry would pass the
// ring's end, TMR entries; and the kernel's reading of the completions.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "serve/tcmu_ring.h"

namespace tamarack::serve::testing {

struct Completion {
  std::uint16_t cmd_id = 0;
  std::uint8_t status = 0;
  bool read_len_flag = false;
  std::uint32_t read_len = 0;
  std::vector<std::uint8_t> sense;  // 96 bytes
};

class FakeRing {
 public:
  static constexpr std::uint32_t kRingOff = 128;

  explicit FakeRing(std::uint32_t ring_size = 1024, std::uint16_t flags = kOutOfOrderCap | kTmrCap,
                    std::size_t data_size = 64 * 1024)
      : map_(kRingOff + ring_size + data_size), ring_size_(ring_size) {
    Put<std::uint16_t>(0, kMailboxVersion);
    Put<std::uint16_t>(2, flags);
    Put<std::uint32_t>(4, kRingOff);
    Put<std::uint32_t>(8, ring_size);
    data_next_ = kRingOff + ring_size;
  }

  std::span<std::uint8_t> map() { return map_; }
  template <typename T>
  void Put(std::size_t at, T v) {
    std::memcpy(map_.data() + at, &v, sizeof v);
  }
  template <typename T>
  T Get(std::size_t at) const {
    T v;
    std::memcpy(&v, map_.data() + at, sizeof v);
    return v;
  }
  std::uint32_t Head() const { return head_; }
  std::uint32_t Tail() const { return Get<std::uint32_t>(kCmdTailOffset); }

  // A CMD with one data buffer per length (data-out buffers filled from `out`); returns the
  // entry's ring offset.
  std::uint32_t AddCmd(std::uint16_t id, const std::vector<std::uint8_t>& cdb,
                       const std::vector<std::uint32_t>& lengths,
                       const std::vector<std::uint8_t>& out = {}) {
    std::size_t len = kIovecsInEntry + lengths.size() * kIovecSize + 16;
    len = std::max<std::size_t>((len + 7) & ~std::size_t{7}, kMinCmdEntry);
    const std::uint32_t at = Reserve(static_cast<std::uint32_t>(len));
    const std::size_t e = kRingOff + at;
    Put<std::uint32_t>(e, static_cast<std::uint32_t>(len) | 1);
    Put<std::uint16_t>(e + 4, id);
    Put<std::uint32_t>(e + 8, static_cast<std::uint32_t>(lengths.size()));
    std::size_t out_at = 0;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
      const std::size_t iov = e + kIovecsInEntry + i * kIovecSize;
      Put<std::uint64_t>(iov, data_next_);
      Put<std::uint64_t>(iov + 8, lengths[i]);
      for (std::uint32_t b = 0; b < lengths[i]; ++b) {
        map_[data_next_ + b] = out_at < out.size() ? out[out_at++] : 0xEE;
      }
      iovecs_.push_back({id, data_next_, lengths[i]});
      data_next_ += lengths[i];
    }
    const std::size_t cdb_at = e + kIovecsInEntry + lengths.size() * kIovecSize;
    std::memcpy(map_.data() + cdb_at, cdb.data(), std::min<std::size_t>(cdb.size(), 16));
    Put<std::uint64_t>(e + kCdbOffsetInEntry, cdb_at);
    Publish(at, static_cast<std::uint32_t>(len));
    return at;
  }

  // A TMR naming `ids`; or any entry of `op` and `len` bytes.
  std::uint32_t AddTmr(std::uint8_t type, const std::vector<std::uint16_t>& ids) {
    const std::uint32_t len =
        static_cast<std::uint32_t>((kTmrIdsOffset + 2 * ids.size() + 7) & ~std::size_t{7});
    const std::uint32_t at = AddEntry(2, len);
    map_[kRingOff + at + kTmrTypeOffset] = type;
    Put<std::uint32_t>(kRingOff + at + kTmrCountOffset, static_cast<std::uint32_t>(ids.size()));
    for (std::size_t i = 0; i < ids.size(); ++i) {
      Put<std::uint16_t>(kRingOff + at + kTmrIdsOffset + 2 * i, ids[i]);
    }
    return at;
  }
  std::uint32_t AddEntry(std::uint8_t op, std::uint32_t len) {
    const std::uint32_t at = Reserve(len);
    Put<std::uint32_t>(kRingOff + at, len | op);
    Publish(at, len);
    return at;
  }

  // The completions between the kernel's last cleaned entry and the tail, as it reads them.
  std::vector<Completion> TakeCompletions() {
    std::vector<Completion> done;
    while (cleaned_ != Tail()) {
      const std::size_t e = kRingOff + cleaned_;
      const std::uint32_t len_op = Get<std::uint32_t>(e);
      if ((len_op & 7) == 1) {
        Completion c;
        c.cmd_id = Get<std::uint16_t>(e + 4);
        c.read_len_flag = (map_[e + 7] & kReadLenFlag) != 0;
        c.status = map_[e + kReplyStatusOffset];
        c.read_len = Get<std::uint32_t>(e + kReplyReadLenOffset);
        c.sense.assign(
            map_.begin() + static_cast<std::ptrdiff_t>(e + kReplySenseOffset),
            map_.begin() + static_cast<std::ptrdiff_t>(e + kReplySenseOffset + kReplySenseSize));
        done.push_back(c);
      }
      cleaned_ = (cleaned_ + (len_op & ~7u)) % ring_size_;
    }
    return done;
  }

  // The bytes of command `id`'s data buffers, in order.
  std::vector<std::uint8_t> DataOf(std::uint16_t id) const {
    std::vector<std::uint8_t> d;
    for (const Buffer& b : iovecs_) {
      const auto begin = map_.begin() + static_cast<std::ptrdiff_t>(b.at);
      if (b.id == id) d.insert(d.end(), begin, begin + b.length);
    }
    return d;
  }

 private:
  struct Buffer {
    std::uint16_t id;
    std::size_t at;
    std::uint32_t length;
  };
  // Pads to the ring's start when `len` does not fit before its end, as the kernel does.
  std::uint32_t Reserve(std::uint32_t len) {
    if (head_ + len > ring_size_) {
      const std::uint32_t pad = ring_size_ - head_;
      Put<std::uint32_t>(kRingOff + head_, pad);
      head_ = 0;
    }
    return head_;
  }
  void Publish(std::uint32_t at, std::uint32_t len) {
    head_ = (at + len) % ring_size_;
    Put<std::uint32_t>(12, head_);
  }

  std::vector<std::uint8_t> map_;
  std::uint32_t ring_size_;
  std::uint32_t head_ = 0;
  std::uint32_t cleaned_ = 0;
  std::size_t data_next_;
  std::vector<Buffer> iovecs_;
};

}  // namespace tamarack::serve::testing
