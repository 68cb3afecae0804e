// A disc image file read on demand at given offsets (pread), never loaded whole.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tamarack::emu {

class ImageFile {
 public:
  // Opens `path` for reading; null with a reason ("PATH: cannot open: REASON") on failure.
  static std::unique_ptr<ImageFile> Open(const std::string& path, std::string* error);
  ~ImageFile();
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  const std::string& path() const { return path_; }
  std::uint64_t size() const { return size_; }

  // Reads exactly out.size() bytes at `offset`; false with a reason when the file ends first
  // or the read fails.
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out, std::string* error) const;

 private:
  ImageFile(std::string path, int fd, std::uint64_t size);
  std::string path_;
  int fd_;
  std::uint64_t size_;
};

}  // namespace tamarack::emu
