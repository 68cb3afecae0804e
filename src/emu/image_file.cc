#include "emu/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/strings.h"

namespace tamarack::emu {

ImageFile::ImageFile(std::string path, int fd, std::uint64_t size)
    : path_(std::move(path)), fd_(fd), size_(size) {}

ImageFile::~ImageFile() { ::close(fd_); }

std::unique_ptr<ImageFile> ImageFile::Open(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = StrFormat("%s: cannot open: %s", path.c_str(), std::strerror(errno));
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (error) *error = StrFormat("%s: not a regular file", path.c_str());
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<ImageFile>(
      new ImageFile(path, fd, static_cast<std::uint64_t>(st.st_size)));
}

bool ImageFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out,
                       std::string* error) const {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n =
        ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (error) {
        *error = StrFormat("%s: read error at byte %llu: %s", path_.c_str(),
                           static_cast<unsigned long long>(offset + done), std::strerror(errno));
      }
      return false;
    }
    if (n == 0) {
      if (error) {
        *error = StrFormat("%s: the file ends at byte %llu, inside a block it should hold",
                           path_.c_str(), static_cast<unsigned long long>(offset + done));
      }
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace tamarack::emu
