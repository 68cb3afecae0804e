// Reference data files (".dat"): the user data of a range of blocks, without a header, one
// block after another from the range's lower end, each block at its own track's user-data size
// (2048 bytes in a Mode 1 track, 2352 in an audio track, ...). A capture writes them (through
// OutputFile); an ageing run's data check and the reference check read them back here, by one
// rule of where a block lies (ReferenceLayout).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/env.h"

namespace tamarack {

// The file's first block for a range given by its two ends in either order: the lower end (a
// range given downwards holds the same blocks as the one given upwards).
std::int64_t ReferenceFirstLba(std::int64_t start, std::int64_t end);

// Blocks of one size from `first` up to the next span's first (the last span has no end).
// A size of 0: blocks the file does not hold (between two sessions).
struct ReferenceSpan {
  std::int64_t first = 0;
  std::uint32_t block_size = 0;
  bool operator==(const ReferenceSpan&) const = default;
};

// Where each block of a reference file lies: the file's first block and the block sizes from
// there on, as the disc's tracks change them.
class ReferenceLayout {
 public:
  ReferenceLayout() = default;
  // One block size throughout, from `first_lba` on.
  ReferenceLayout(std::int64_t first_lba, std::uint32_t block_size) {
    spans_.push_back({first_lba, block_size});
  }
  // A span from `first` on: after the last span's first (a span at the same first replaces it,
  // and one of the last span's size only goes on with it). False, and nothing changed, for one
  // before it.
  bool Add(std::int64_t first, std::uint32_t block_size);

  bool empty() const { return spans_.empty(); }
  const std::vector<ReferenceSpan>& spans() const { return spans_; }
  // The size of block `lba`: 0 before the first span or where the file holds no blocks.
  std::uint32_t BlockSizeAt(std::int64_t lba) const;
  // Where block `lba` lies: the bytes of every block from the first span's first up to it.
  // Nothing for a block before the first span.
  std::optional<std::uint64_t> Offset(std::int64_t lba) const;

 private:
  std::vector<ReferenceSpan> spans_;
};

// Where block `lba` lies in a file of `layout`.
std::optional<std::uint64_t> ReferenceOffset(const ReferenceLayout& layout, std::int64_t lba);
// The same for a file of one block size whose first block is `first_lba`: (lba - first_lba) x
// block size.
std::optional<std::uint64_t> ReferenceOffset(std::int64_t first_lba, std::int64_t lba,
                                             std::uint32_t block_size);

// A reference file open for reading at any offset (no position shared between reads).
class ReferenceFile {
 public:
  ReferenceFile() = default;
  ~ReferenceFile();
  ReferenceFile(const ReferenceFile&) = delete;
  ReferenceFile& operator=(const ReferenceFile&) = delete;

  // False with the system's reason (without the file's name) when it cannot be opened.
  bool Open(const std::string& path, std::string* error, Env& env = Env::Default());
  bool is_open() const { return file_ != nullptr; }
  // Its size in bytes when it was opened.
  std::uint64_t size() const { return size_; }
  // Reads `out.size()` bytes from `offset` on, fewer where the file ends or a read fails;
  // returns how many were read.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const;

 private:
  std::unique_ptr<RandomAccessFile> file_;
  std::uint64_t size_ = 0;
};

}  // namespace tamarack
