#include "util/text_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/env.h"
#include "util/output_file.h"
#include "util/strings.h"

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

std::optional<std::string> ReadTextFile(const std::string& path, std::string* error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    if (error) *error = StrFormat("%s: %s", path.c_str(), std::strerror(EISDIR));
    return std::nullopt;
  }
  errno = 0;
  auto text = ReadTextFile(path);
  if (!text && error) {
    *error = StrFormat("%s: %s", path.c_str(), std::strerror(errno != 0 ? errno : ENOENT));
  }
  return text;
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
  if (!out.Open(path, ".tmp-" + std::to_string(Env::Default().ProcessId()), error, 0))
    return fail();
  if (!out.Append(bytes, error) || !out.Commit(error)) return fail();
  return true;
}

std::string FirstFreeNumberedPath(const std::string& folder,
                                  const std::function<std::string(int)>& name_of,
                                  const std::function<bool(const std::string&)>& exists) {
  namespace fs = std::filesystem;
  auto path_of = [&](int n) {
    const std::string name = name_of(n);
    return folder.empty() ? name : (fs::path(folder) / name).string();
  };
  auto taken = [&](const std::string& p) {
    if (exists) return exists(p);
    std::error_code ec;
    return fs::exists(p, ec);
  };
  for (int n = 0; n < 999; ++n) {
    std::string p = path_of(n);
    if (!taken(p)) return p;
  }
  return path_of(999);
}

}  // namespace tamarack
