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

std::optional<std::uint64_t> ReferenceOffset(std::int64_t first_lba, std::int64_t lba,
                                             std::uint32_t block_size) {
  if (lba < first_lba) return std::nullopt;
  return static_cast<std::uint64_t>(lba - first_lba) * block_size;
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
