#include "util/reference_file.h"

#include <algorithm>

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
