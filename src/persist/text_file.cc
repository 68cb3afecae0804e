#include "persist/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "util/output_file.h"

namespace tamarack {

std::optional<std::string> ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) return std::nullopt;
  std::string bytes = ss.str();
  return TextAsUtf8(bytes);
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
