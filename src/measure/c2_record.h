// The record of one C2 error scan: the C2 error bits each block came with, counted per second of
// the disc (75 blocks from the scan's first block), the blocks that could not be read, and the
// summary with its pass/fail rule. A drive flags each byte it could not correct in its second
// (C2) stage; the counts show how hard it struggles with a disc long before a read fails.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tamarack {

inline constexpr std::int64_t kC2BlocksPerSecond = 75;
// The common rule of the trade: a block with this many C2 bits or more is a bad block.
inline constexpr std::uint32_t kC2BadBlockBits = 100;

// The C2 error bits set in a block's 294-byte error field (one bit a main-channel byte).
std::uint32_t CountC2Bits(std::span<const std::uint8_t> field);

struct C2Second {
  std::int64_t first_lba = 0;
  std::uint64_t errors = 0;        // C2 bits of its blocks
  std::uint32_t error_blocks = 0;  // its blocks with at least one
  std::uint32_t unreadable = 0;    // its blocks that could not be read
  std::uint32_t edc_failed = 0;    // its data blocks whose EDC did not match
  bool operator==(const C2Second&) const = default;
};

// A block worth naming: one with C2 errors, an EDC mismatch, or one that could not be read.
struct C2Block {
  std::int64_t lba = 0;
  std::uint32_t bits = 0;
  bool unreadable = false;
  bool edc_failed = false;
  bool operator==(const C2Block&) const = default;
};

class C2Record {
 public:
  C2Record() = default;
  C2Record(std::int64_t first_lba, std::int64_t last_lba) : first_(first_lba), last_(last_lba) {}

  // The blocks in order of their addresses, each once.
  void Read(std::int64_t lba, std::uint32_t bits, bool edc_failed = false);
  void Unreadable(std::int64_t lba);

  std::int64_t first_lba() const { return first_; }
  std::int64_t last_lba() const { return last_; }
  const std::vector<C2Second>& seconds() const { return seconds_; }
  const std::vector<C2Block>& blocks() const { return blocks_; }
  std::uint64_t blocks_scanned() const { return scanned_; }

 private:
  C2Second& SecondOf(std::int64_t lba);
  std::int64_t first_ = 0;
  std::int64_t last_ = 0;
  std::uint64_t scanned_ = 0;
  std::vector<C2Second> seconds_;
  std::vector<C2Block> blocks_;
};

struct C2Summary {
  std::uint64_t blocks = 0;  // read or found unreadable
  std::uint64_t errors = 0;  // C2 bits in all
  std::uint64_t error_blocks = 0;
  std::uint64_t bad_blocks = 0;  // kC2BadBlockBits or more
  std::uint64_t unreadable = 0;
  std::uint64_t edc_failed = 0;
  // The second with the most C2 errors (the first of equals); none when no second has any.
  std::optional<C2Second> worst;
  std::uint64_t seconds_over_limit = 0;  // above the --max-c2 limit
  // Every block of the record's range was scanned (read or found unreadable).
  bool complete = false;
  // Complete, nothing unreadable, no bad block, no EDC mismatch, no second above the limit.
  bool pass = false;
};

// `max_per_second`: the most C2 errors a second may have; none: no limit per second.
C2Summary SummarizeC2(const C2Record& record, std::optional<std::uint64_t> max_per_second);

// The summary's lines, each ending in "\n":
//   "C2 errors: 120 in 3 blocks (bad blocks, 100 bits or more: 1)"
//   "worst second: 80 C2 errors at LBA 150 (00:04:00)"   (or "worst second: none")
//   "unreadable blocks: 1 (LBA 1000)"                    (the first few named)
//   "EDC mismatches: 0"
//   "seconds above 50 C2 errors: 2"                      (with a limit)
//   "C2 scan: pass", "C2 scan: fail", or "C2 scan: incomplete, N of M blocks scanned"
std::string C2SummaryText(const C2Record& record, const C2Summary& summary,
                          std::optional<std::uint64_t> max_per_second);
// The same lines in the window's language (its catalogue's English is the lines above).
std::string C2SummaryLocalText(const C2Record& record, const C2Summary& summary,
                               std::optional<std::uint64_t> max_per_second);

// The record as text: "first=N", "last=N", then "second=LBA ERRORS BLOCKS UNREADABLE EDC" for
// every second and "block=LBA BITS[ unreadable][ edc]" for every block worth naming.
std::string FormatC2File(const C2Record& record, const std::string& model);

}  // namespace tamarack
