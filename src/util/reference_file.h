// Reference data files (".dat"): the user data of a range of blocks, without a header, one
// block after another from the range's lower end. A capture writes them (through OutputFile);
// an ageing run's data check and the reference check read them back here, by one rule of where
// a block lies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/env.h"

namespace tamarack {

// The file's first block for a range given by its two ends in either order: the lower end (a
// range given downwards holds the same blocks as the one given upwards).
std::int64_t ReferenceFirstLba(std::int64_t start, std::int64_t end);

// Where the block at `lba` lies in a file whose first block is `first_lba`: (lba - first_lba) x
// block size. Nothing for a block before the file's first.
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
