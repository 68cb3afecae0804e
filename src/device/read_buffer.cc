#include "device/read_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace tamarack {

std::size_t PageSize() {
  static const std::size_t page = [] {
    const long p = ::sysconf(_SC_PAGESIZE);
    return p > 0 ? static_cast<std::size_t>(p) : std::size_t{4096};
  }();
  return page;
}

void ReadBuffer::Resize(std::size_t size) {
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  // aligned_alloc wants a whole number of its alignment; never 0, so that data() is never null.
  const std::size_t unit = size == 0 ? PageSize() : kHugePage;
  const std::size_t capacity = (std::max<std::size_t>(size, 1) + unit - 1) / unit * unit;
  void* p = std::aligned_alloc(unit, capacity);
  if (!p) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  // Only advice: where the kernel has no huge pages to give, the buffer is of small pages.
  if (size > 0) ::madvise(p, capacity, MADV_HUGEPAGE);
#endif
  std::memset(p, 0, size);
  bytes_.reset(static_cast<std::uint8_t*>(p));
  size_ = size;
}

}  // namespace tamarack
