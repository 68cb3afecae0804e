// The data check of an ageing run: every read that returned data is checked, either block by
// block against the address text and checksum that test discs carry at the start of each
// block's user data ("Type1.3", "Type3.0"), or byte by byte against a reference data file
// ("Other"). The check decides OK or NG, marks the failing blocks and composes one message
// line. The run finds the block size (mmc/block_size.h) and hands it in with each read.
// Thread: the run's worker.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "ageing/ageing_settings.h"
#include "util/reference_file.h"

namespace tamarack {

// One flag per block of a command (more than the 100 blocks a command may read).
inline constexpr std::size_t kBlockMarks = 200;
// The bytes of a test sector at the start of each block's user data.
inline constexpr std::size_t kTestSectorBytes = 2048;

// One read as the check sees it.
struct CheckedRead {
  std::int32_t lba = 0;
  std::span<const std::uint8_t> data;  // the bytes the drive sent, at least 1
  std::int32_t blocks = 0;             // blocks requested
  std::uint32_t block_size = 0;        // bytes per block of this read, not 0
};

class AgeingDataCheck {
 public:
  // `settings` must outlive the check; `stamp` gives the event time stamp
  // (" MM/DD/YYYY:hh:mm:ss") of the NG lines that carry one.
  // `unread`: the blocks the reference file does not hold (both ends included), which the
  // reference check leaves out.
  AgeingDataCheck(const AgeingSettings& settings, std::function<std::string()> stamp,
                  std::vector<std::pair<std::uint32_t, std::uint32_t>> unread = {});

  // The check of one read: true for OK. With Data Check off it is OK at once and nothing else
  // changes. Otherwise the marks and the message line are set afresh.
  bool Check(const CheckedRead& read);

  const std::string& message() const { return message_; }
  bool marked(std::size_t block) const { return block < marks_.size() && marks_[block]; }

  // Reads `blocks` blocks of `block_size` bytes of reference data for the range starting at
  // `lba` into `out` (resized to what was read). False when the file is not set or does not
  // open; a short file gives fewer bytes, a block before the file's first none. The file's
  // first block is the run's range's lower end (util/reference_file.h). The file is opened
  // once, at the first call, and kept open for the run.
  bool ReadReference(std::int32_t lba, std::uint32_t block_size, std::int32_t blocks,
                     std::vector<std::uint8_t>* out) const;

 private:
  bool CheckTestSectors(const CheckedRead& read);
  bool CheckReference(const CheckedRead& read);
  void Mark(std::size_t block);

  const AgeingSettings& s_;
  std::function<std::string()> stamp_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> unread_;
  std::array<bool, kBlockMarks> marks_{};
  std::string message_;
  std::vector<std::uint8_t> reference_;  // reused from check to check
  mutable ReferenceFile reference_file_;
  mutable bool reference_tried_ = false;
};

}  // namespace tamarack
