#include "util/regular_file.h"

#include "util/strings.h"

namespace tamarack {

std::unique_ptr<RandomAccessFile> OpenRegularFile(const std::string& path, std::string* error) {
  // Env opens without blocking: a FIFO would otherwise wait for a writer.
  std::string reason;
  std::unique_ptr<RandomAccessFile> file = Env::Default().OpenRandomAccess(path, &reason);
  if (!file) {
    if (error) *error = StrFormat("%s: cannot open: %s", path.c_str(), reason.c_str());
    return nullptr;
  }
  if (!file->regular()) {
    if (error) *error = StrFormat("%s: not a regular file", path.c_str());
    return nullptr;
  }
  return file;
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::uint64_t max_bytes,
                                           const char* format, std::string* error) {
  const std::unique_ptr<RandomAccessFile> file = OpenRegularFile(path, error);
  if (!file) return std::nullopt;
  if (file->size() > max_bytes) {
    if (error) {
      *error = StrFormat("%s: %llu bytes, more than a %s holds", path.c_str(),
                         static_cast<unsigned long long>(file->size()), format);
    }
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(file->size()), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    std::string reason;
    const std::optional<std::size_t> n =
        file->ReadAt(done,
                     std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(bytes.data()) + done,
                                             bytes.size() - done),
                     &reason);
    if (!n) {
      if (error) *error = StrFormat("%s: read error: %s", path.c_str(), reason.c_str());
      return std::nullopt;
    }
    if (*n == 0) break;  // shrank meanwhile: what is there
    done += *n;
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace tamarack
