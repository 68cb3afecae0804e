#include "emu/image_file.h"

#include <algorithm>

#include "util/regular_file.h"
#include "util/strings.h"

namespace tamarack::emu {

ImageFile::ImageFile(std::string path, std::unique_ptr<RandomAccessFile> file)
    : path_(std::move(path)), file_(std::move(file)), size_(file_->size()) {}

ImageFile::~ImageFile() = default;

std::unique_ptr<ImageFile> ImageFile::Open(const std::string& path, std::string* error) {
  std::unique_ptr<RandomAccessFile> file = OpenRegularFile(path, error);
  if (!file) return nullptr;
  return std::unique_ptr<ImageFile>(new ImageFile(path, std::move(file)));
}

namespace {

// 32 blocks of 2048 bytes, or 27 raw blocks of 2352.
constexpr std::size_t kWindowSize = std::size_t{64} * 1024;
// From this size on a read gains little from the window: it goes straight into the caller's
// bytes, without the copy out of the window (a run of blocks of one command).
constexpr std::size_t kDirectReadSize = std::size_t{16} * 1024;

}  // namespace

bool ImageFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out,
                       std::string* error) const {
  if (out.size() >= kDirectReadSize) return ReadDirect(offset, out, error);
  std::lock_guard lock(window_mutex_);
  const auto inside = [&] {
    return offset >= window_offset_ && offset + out.size() <= window_offset_ + window_.size();
  };
  if (!inside() && offset < size_) {
    const std::uint64_t n = std::min<std::uint64_t>(kWindowSize, size_ - offset);
    window_.resize(static_cast<std::size_t>(n));
    if (!ReadDirect(offset, window_, nullptr)) window_.clear();
    window_offset_ = offset;
  }
  if (!inside()) return ReadDirect(offset, out, error);  // past the end or unreadable: say why
  std::copy_n(window_.begin() + static_cast<std::ptrdiff_t>(offset - window_offset_), out.size(),
              out.begin());
  return true;
}

bool ImageFile::ReadDirect(std::uint64_t offset, std::span<std::uint8_t> out,
                           std::string* error) const {
  std::size_t done = 0;
  while (done < out.size()) {
    std::string reason;
    const std::optional<std::size_t> n = file_->ReadAt(offset + done, out.subspan(done), &reason);
    if (!n) {
      if (error) {
        *error = StrFormat("%s: read error at byte %llu: %s", path_.c_str(),
                           static_cast<unsigned long long>(offset) + done, reason.c_str());
      }
      return false;
    }
    if (*n == 0) {
      if (error) {
        *error = StrFormat("%s: the file ends at byte %llu, inside a block it should hold",
                           path_.c_str(), static_cast<unsigned long long>(offset) + done);
      }
      return false;
    }
    done += *n;
  }
  return true;
}

}  // namespace tamarack::emu
