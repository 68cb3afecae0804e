// A disc image file read on demand at given offsets, never loaded whole. Small reads
// are served from a read-ahead window, so that a drive reading a disc block by block costs one
// system call per window rather than one per block. Thread-safe.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/env.h"

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
  ImageFile(std::string path, std::unique_ptr<RandomAccessFile> file);
  bool ReadDirect(std::uint64_t offset, std::span<std::uint8_t> out, std::string* error) const;

  std::string path_;
  std::unique_ptr<RandomAccessFile> file_;
  std::uint64_t size_;
  mutable std::mutex window_mutex_;
  mutable std::vector<std::uint8_t> window_;  // the file's bytes from window_offset_ on
  mutable std::uint64_t window_offset_ = 0;
};

}  // namespace tamarack::emu
