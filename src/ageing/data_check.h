// The data check of an ageing run: every read that returned data is checked, either sector by
// sector against the address text and checksum that test discs carry ("Type1.3", "Type3.0"),
// or byte by byte against a reference data file ("Other"). The check decides OK or NG, marks
// the failing blocks and composes one message line. Thread: the run's worker.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "ageing/ageing_settings.h"
#include "device/scsi.h"

namespace tamarack {

// One flag per block of a command (more than the 100 blocks a command may read).
inline constexpr std::size_t kBlockMarks = 200;
// The spacing of test sectors in the buffer, whatever the block size.
inline constexpr std::size_t kTestSectorBytes = 2048;
// The block size a dump assumes while none has been found.
inline constexpr std::uint32_t kAssumedBlockSize = 2048;

// One read as the check sees it.
struct CheckedRead {
  std::int32_t lba = 0;
  // The whole data buffer (blocks x 2656 bytes, filled with 5Ah before the command).
  std::span<const std::uint8_t> buffer;
  std::uint32_t transferred = 0;  // at least 1
  std::int32_t blocks = 0;        // blocks requested
  Cdb command{};                  // the read as sent
  std::uint32_t requested = 0;    // bytes asked for
};

// Finds the bytes per block of the first read that returned data; 0 when it cannot tell.
using BlockSizeFinder = std::function<std::uint32_t(const CheckedRead&)>;

// What the reply itself tells (block_size.h): where the 5Ah fill begins, else a plausible
// residual. The run adds the Read CD probe of FindBlockSize, which needs the drive.
std::uint32_t BlockSizeFromReply(const CheckedRead& read);

class AgeingDataCheck {
 public:
  // `settings` must outlive the check; `stamp` gives the event time stamp
  // (" MM/DD/YYYY:hh:mm:ss") of the NG lines that carry one.
  AgeingDataCheck(const AgeingSettings& settings, std::function<std::string()> stamp,
                  BlockSizeFinder find_block_size = BlockSizeFromReply);

  // 0 until the first read that returned data; bytes per block after.
  std::uint32_t block_size() const { return block_size_; }

  // The check of one read: true for OK. With Data Check off it is OK at once and nothing else
  // changes. Otherwise the marks and the message line are set afresh.
  bool Check(const CheckedRead& read);

  const std::string& message() const { return message_; }
  bool marked(std::size_t block) const { return block < marks_.size() && marks_[block]; }

  // Reads `blocks` blocks of `block_size` bytes of reference data for the range starting at
  // `lba` into `out` (resized to what was read). False when the file is not set or does not
  // open; a short file gives fewer bytes. The offset follows the range's lower end:
  // (LBA - End LBA) x block size when Start LBA >= End LBA, else (LBA - Start LBA) x block size.
  bool ReadReference(std::int32_t lba, std::uint32_t block_size, std::int32_t blocks,
                     std::vector<std::uint8_t>* out) const;

 private:
  bool CheckTestSectors(const CheckedRead& read);
  bool CheckReference(const CheckedRead& read);
  void Mark(std::size_t block);

  const AgeingSettings& s_;
  std::function<std::string()> stamp_;
  BlockSizeFinder find_block_size_;
  std::uint32_t block_size_ = 0;
  std::array<bool, kBlockMarks> marks_{};
  std::string message_;
  std::vector<std::uint8_t> reference_;  // reused from check to check
};

}  // namespace tamarack
