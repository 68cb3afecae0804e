// What differs between the platforms in a text that is otherwise the same: the system's
// reason for a missing file and the separator a path is joined with. Expected texts are
// written as on Linux; on Linux these helpers change nothing.
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "platform/env.h"

namespace tamarack::testing {

inline constexpr char kNoSuchFile[] = "No such file or directory";

// `text` with this system's reasons for a missing file and a missing folder written as
// Linux's kNoSuchFile.
inline std::string WithPosixReasons(std::string text) {
#ifdef _WIN32
  // The system's own texts (they differ between Windows and wine), asked of the system.
  static const std::array<std::string, 2> reasons = [] {
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    std::array<std::string, 2> r;
    Env::Default().OpenRandomAccess((temp / "tamarack-no-such-file.9d4e").string(), &r[0]);
    Env::Default().OpenRandomAccess((temp / "tamarack-no-such-folder.9d4e" / "f").string(), &r[1]);
    return r;
  }();
  for (const std::string& reason : reasons) {
    if (reason.empty() || reason == kNoSuchFile) continue;
    for (std::size_t at = 0; (at = text.find(reason, at)) != std::string::npos;) {
      text.replace(at, reason.size(), kNoSuchFile);
      at += sizeof kNoSuchFile - 1;
    }
  }
#endif
  return text;
}

// `path` with the separators Windows joins paths with written as "/".
inline std::string Slashed(std::string path) {
#ifdef _WIN32
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
#endif
  return path;
}

}  // namespace tamarack::testing
