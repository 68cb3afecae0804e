// The C2 error scan: Read CD of every block of a range with its C2 error field (sync, headers,
// user data, EDC/ECC and the 294 bytes of C2 error pointers, 2646 bytes a block of every sector
// type), counting the C2 bits each block came with. Data blocks are checked against their own
// EDC, so that a reply cut short on a path that zeroes the unsent tail is not taken for clean
// blocks. After a command that failed with a medium error or came short its blocks are read
// again one at a time: only the blocks that cannot be read are counted unreadable. Any other
// failure ends the scan. It runs as a job of the job frame and
// reports:
//   kModel       the drive's "VENDOR PRODUCT";
//   kCdb         the first Read CD, as "%02x " bytes;
//   kStatusLine  "C2 pointers: ..." (what page 2Ah says), a failure's text;
//   kResultLine  the summary's lines (C2SummaryText) at the end;
//   Progress     blocks done of the range and the LBA.
// A drive whose page 2Ah says it reports no C2 pointers is refused before any block is read;
// one that refuses the error field ends the scan with that failure: neither is scanned as clean.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "device/read_buffer.h"
#include "device/scsi.h"
#include "job/job.h"
#include "job/job_verdict.h"
#include "measure/c2_record.h"
#include "mmc/block_read.h"
#include "util/sector_check.h"

namespace tamarack {

inline constexpr std::int32_t kDefaultC2BlockCount = 16;
inline constexpr std::int32_t kMaxC2BlockCount = 1000;
// Read CD's main-channel selection of the scan: sync, all headers, user data, EDC/ECC and the
// C2 error pointers (F8h | 02h).
inline constexpr std::uint8_t kC2ScanSelection = 0xFA;
inline constexpr std::uint32_t kC2ScanBlockBytes = 2352 + 294;

struct C2ScanSettings {
  std::int32_t block_count = kDefaultC2BlockCount;
  // The range instead of the first track's start to the disc's last block; a last block beyond
  // the disc's is cut to it.
  std::optional<std::int64_t> first_override;
  std::optional<std::int64_t> last_override;
  std::optional<std::uint64_t> max_per_second;  // --max-c2
};

// What Mode Sense page 2Ah says of the C2 pointers: reported, not reported, or nothing (the
// page could not be read, or is not in the reply).
std::optional<bool> C2PointersOfModeSense(std::span<const std::uint8_t> reply,
                                          std::uint32_t received);

// What one block of a scan reply came to: its C2 bits, and for data blocks their EDC.
struct C2BlockCheck {
  std::uint32_t bits = 0;
  EdcVerdict edc = EdcVerdict::kUnchecked;
};
C2BlockCheck CheckC2Block(std::span<const std::uint8_t, kC2ScanBlockBytes> block, std::int64_t lba);

struct C2ScanResult {
  JobVerdict verdict;
  C2Record record;
  C2Summary summary;
  bool summarized = false;  // the scan ran and `summary` (its kResultLine lines) is its
  std::string model;
  std::optional<bool> c2_pointers;  // what page 2Ah said
  std::uint64_t commands = 0;       // Read CD commands sent, the single-block ones included
  std::uint64_t single_reads = 0;   // of them, blocks read again one at a time
};

class C2ScanJob final : public Job {
 public:
  explicit C2ScanJob(const C2ScanSettings& settings) : settings_(settings) {}

  void Run(JobContext& ctx) override;
  RunState InterruptState() const override { return RunState::kCancelRequested; }

  // The record so far, from any thread while the scan runs (the window's graph).
  C2Record Live() const;
  // Read after the host's Finished call.
  const C2ScanResult& result() const { return result_; }
  const C2ScanSettings& settings() const { return settings_; }

 private:
  bool ReadRange(JobContext& ctx);
  void ReadModel(JobContext& ctx);
  // False when the drive says it reports no C2 pointers (the job is refused).
  bool CheckSupport(JobContext& ctx);
  void Scan(JobContext& ctx);
  // One Read CD of `blocks` blocks at `lba`; false when the scan ends.
  bool ReadCommand(JobContext& ctx, std::int64_t lba, std::int64_t blocks);
  // Takes the whole blocks of a reply; returns how many it took (up to the first that did not
  // come whole or whose data says it was not sent).
  std::int64_t TakeBlocks(std::int64_t lba, std::int64_t blocks, std::uint32_t received);
  // Reads `blocks` blocks from `lba` one at a time; false when the scan ends.
  bool ReadSingly(JobContext& ctx, std::int64_t lba, std::int64_t blocks);
  // Ends the scan with a failure that is no block's (refused, timed out, illegal): false.
  bool End(JobContext& ctx, const BlockReply& reply);
  void Report(JobContext& ctx, std::int64_t next);

  C2ScanSettings settings_;
  C2ScanResult result_;
  std::int64_t first_ = 0;
  std::int64_t last_ = 0;
  bool first_command_ = true;
  ReadBuffer buffer_;
  mutable std::mutex mutex_;  // guards result_.record for Live()
};

}  // namespace tamarack
