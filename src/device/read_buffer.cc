#include "device/read_buffer.h"

#include <unistd.h>

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
  const std::size_t page = PageSize();
  // aligned_alloc wants a whole number of pages; never 0, so that data() is never null.
  const std::size_t capacity = size == 0 ? page : (size + page - 1) / page * page;
  void* p = std::aligned_alloc(page, capacity);
  if (!p) throw std::bad_alloc();
  std::memset(p, 0, size);
  bytes_.reset(static_cast<std::uint8_t*>(p));
  size_ = size;
}

}  // namespace tamarack
