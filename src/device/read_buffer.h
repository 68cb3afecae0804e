// A job's buffer for the data of its reads. It starts on a page boundary, so that a read of a
// whole number of 512-byte units goes to the drive as it is: the pass-through neither copies it
// nor bounces it through a zeroed copy, and bytes the drive does not send keep what was there.
// It is also asked to sit in one huge page (2 MiB, where the kernel has transparent huge pages):
// a command's data are then one physically contiguous segment for the host adapter instead of
// one per 4 KiB page. Under QEMU's emulated AHCI drive, which maps every segment of every
// command, that made capture and measure 3 to 5 % faster. The cost is 2 MiB of memory a
// buffer; a job keeps one for its whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tamarack {

// Owns `size` bytes, zeroed, on a 2 MiB boundary (one page for 0 bytes). Not thread-safe;
// movable, not copyable.
class ReadBuffer {
 public:
  ReadBuffer() = default;
  explicit ReadBuffer(std::size_t size) { Resize(size); }

  // Gives the buffer `size` bytes, all zero (the old contents are not kept). Throws
  // std::bad_alloc when memory is short, as a vector would.
  void Resize(std::size_t size);

  std::uint8_t* data() { return bytes_.get(); }
  const std::uint8_t* data() const { return bytes_.get(); }
  std::size_t size() const { return size_; }
  std::span<std::uint8_t> span() { return {bytes_.get(), size_}; }
  std::span<const std::uint8_t> span() const { return {bytes_.get(), size_}; }

 private:
  struct FreeBytes {
    void operator()(std::uint8_t* p) const;
  };
  std::unique_ptr<std::uint8_t, FreeBytes> bytes_;
  std::size_t size_ = 0;
};

// The page size of the system (4096 where it cannot be asked).
std::size_t PageSize();

}  // namespace tamarack
