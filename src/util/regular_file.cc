#include "util/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "util/strings.h"

namespace tamarack {

int OpenRegularFile(const std::string& path, std::uint64_t* size, std::string* error) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer. It changes
  // nothing for the reads of a regular file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (error) *error = StrFormat("%s: cannot open: %s", path.c_str(), std::strerror(errno));
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (error) *error = StrFormat("%s: not a regular file", path.c_str());
    ::close(fd);
    return -1;
  }
  if (size) *size = static_cast<std::uint64_t>(st.st_size);
  return fd;
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::uint64_t max_bytes,
                                           const char* format, std::string* error) {
  std::uint64_t size = 0;
  const int fd = OpenRegularFile(path, &size, error);
  if (fd < 0) return std::nullopt;
  if (size > max_bytes) {
    if (error) {
      *error = StrFormat("%s: %llu bytes, more than a %s holds", path.c_str(),
                         static_cast<unsigned long long>(size), format);
    }
    ::close(fd);
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (error) *error = StrFormat("%s: read error: %s", path.c_str(), std::strerror(errno));
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;  // shrank meanwhile: what is there
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  ::close(fd);
  return bytes;
}

}  // namespace tamarack
