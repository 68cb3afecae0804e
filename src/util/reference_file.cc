#include "util/reference_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace tamarack {

std::int64_t ReferenceFirstLba(std::int64_t start, std::int64_t end) {
  return std::min(start, end);
}

bool ReferenceLayout::Add(std::int64_t first, std::uint32_t block_size) {
  if (!spans_.empty() && first < spans_.back().first) return false;
  // The same size goes on: no span of its own.
  if (!spans_.empty() && spans_.back().block_size == block_size) return true;
  if (!spans_.empty() && first == spans_.back().first) {
    spans_.back().block_size = block_size;
    return true;
  }
  spans_.push_back({first, block_size});
  return true;
}

std::uint32_t ReferenceLayout::BlockSizeAt(std::int64_t lba) const {
  std::uint32_t size = 0;
  for (const ReferenceSpan& s : spans_) {
    if (s.first > lba) break;
    size = s.block_size;
  }
  return size;
}

std::optional<std::uint64_t> ReferenceLayout::Offset(std::int64_t lba) const {
  if (spans_.empty() || lba < spans_.front().first) return std::nullopt;
  std::uint64_t offset = 0;
  for (std::size_t i = 0; i < spans_.size(); ++i) {
    const std::int64_t next = i + 1 < spans_.size() ? std::min(spans_[i + 1].first, lba) : lba;
    offset += static_cast<std::uint64_t>(next - spans_[i].first) * spans_[i].block_size;
    if (next == lba) break;
  }
  return offset;
}

std::optional<std::uint64_t> ReferenceOffset(const ReferenceLayout& layout, std::int64_t lba) {
  return layout.Offset(lba);
}

std::optional<std::uint64_t> ReferenceOffset(std::int64_t first_lba, std::int64_t lba,
                                             std::uint32_t block_size) {
  return ReferenceOffset(ReferenceLayout(first_lba, block_size), lba);
}

ReferenceFile::~ReferenceFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool ReferenceFile::Open(const std::string& path, std::string* error) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
    const int why = errno;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (error) *error = std::error_code(why, std::generic_category()).message();
    return false;
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
  return true;
}

std::size_t ReferenceFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t read = 0;
  while (fd_ >= 0 && read < out.size()) {
    const ssize_t n =
        ::pread(fd_, out.data() + read, out.size() - read, static_cast<off_t>(offset + read));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    read += static_cast<std::size_t>(n);
  }
  return read;
}

}  // namespace tamarack
