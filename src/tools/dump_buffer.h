// The sector dump's buffer: room for a number of blocks, the bytes prepared for the last read
// and how many of them are valid. It keeps its capacity from read to read; saved dumps are
// written from it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tamarack {

// Bytes prepared per block: the largest block Read CD returns (2352 main-channel bytes, C2
// error bits with the block error byte and its pad byte, 96 sub-channel bytes). The console's
// 2656 would cut the last block of a selection with both error and sub-channel data.
inline constexpr std::size_t kDumpBlockBytes = 2352 + 296 + 96;

// The bytes a read of `blocks` blocks requests: blocks x kDumpBlockBytes, rounded up to whole
// 512-byte units so that the kernel need not bounce the transfer through a copy.
std::size_t DumpRequestBytes(std::uint32_t blocks);

class DumpBuffer {
 public:
  // Makes room for `blocks` blocks (reallocating only when it holds fewer) and fills the
  // DumpRequestBytes(blocks) bytes of the request with 5Ah. False when the memory cannot be had
  // (the buffer is then as before). The valid length becomes 0.
  bool Prepare(std::uint32_t blocks);

  // The bytes the last Prepare readied for the drive.
  std::span<std::uint8_t> request() { return std::span(bytes_).first(request_); }
  std::span<const std::uint8_t> request() const { return std::span(bytes_).first(request_); }

  // Records what the read left: the transferred count measured as the dump measures it
  // (see MeasuredDumpLength).
  void SetValid(std::uint32_t transferred);
  std::span<const std::uint8_t> valid() const { return std::span(bytes_).first(valid_); }

  std::uint32_t capacity_blocks() const { return capacity_blocks_; }
  // True once a read has allocated it.
  bool allocated() const { return !bytes_.empty(); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint32_t capacity_blocks_ = 0;
  std::size_t request_ = 0;
  std::size_t valid_ = 0;
};

// The valid bytes of a read into `request` (filled with 5Ah before it) that moved
// `transferred` bytes. Many paths report the whole buffer as transferred whatever the drive
// sent; then the data end at the last byte that is not 5Ah. A shorter count is believed.
std::size_t MeasuredDumpLength(std::span<const std::uint8_t> request, std::uint32_t transferred);

}  // namespace tamarack
