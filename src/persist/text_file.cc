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
  // The temporary name is ours, not the user's: a failure names the file they asked for.
  auto fail = [&] {
    const std::string& temp = out.plan().writing;
    if (error && !temp.empty() && temp != path && error->rfind(temp, 0) == 0) {
      error->replace(0, temp.size(), path);
    }
    out.Abandon(true);
    return false;
  };
  if (!out.Open(path, ".tmp-" + std::to_string(::getpid()), error, 0)) return fail();
  if (!out.Append(bytes, error) || !out.Commit(error)) return fail();
  return true;
}

}  // namespace tamarack
