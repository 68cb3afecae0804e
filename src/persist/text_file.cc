#include "persist/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "util/cp932.h"
#include "util/output_file.h"

namespace tamarack {

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n;
    std::uint32_t min;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      n = 1;
      min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2;
      min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3;
      min = 0x10000;
    } else {
      return false;
    }
    std::uint32_t cp = c & (0x3Fu >> n);
    for (std::size_t k = 1; k <= n; ++k) {
      if (i + k >= s.size()) return false;
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

std::optional<std::string> ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) return std::nullopt;
  std::string bytes = ss.str();
  if (IsValidUtf8(bytes)) return bytes;
  return Cp932BytesToUtf8(bytes);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  OutputFile out;
  if (!out.Open(path, ".tmp-" + std::to_string(::getpid()), error, 0)) return false;
  if (!out.Append(bytes, error) || !out.Commit(error)) {
    out.Abandon(true);
    return false;
  }
  return true;
}

}  // namespace tamarack
