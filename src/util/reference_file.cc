#include "util/reference_file.h"

#include <algorithm>

namespace tamarack {

std::int64_t ReferenceFirstLba(std::int64_t start, std::int64_t end) {
  return std::min(start, end);
}

std::optional<std::uint64_t> ReferenceOffset(std::int64_t first_lba, std::int64_t lba,
                                             std::uint32_t block_size) {
  if (lba < first_lba) return std::nullopt;
  return static_cast<std::uint64_t>(lba - first_lba) * block_size;
}

ReferenceFile::~ReferenceFile() = default;

bool ReferenceFile::Open(const std::string& path, std::string* error, Env& env) {
  std::string reason;
  file_ = env.OpenRandomAccess(path, &reason);
  if (!file_) {
    if (error) *error = reason;
    return false;
  }
  size_ = file_->size();
  return true;
}

std::size_t ReferenceFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t read = 0;
  while (file_ && read < out.size()) {
    const std::optional<std::size_t> n = file_->ReadAt(offset + read, out.subspan(read), nullptr);
    if (!n || *n == 0) break;
    read += *n;
  }
  return read;
}

}  // namespace tamarack
