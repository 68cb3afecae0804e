#include "shell/start_tab.h"

#include <cctype>

namespace tamarack {

std::string FileOfCommandLine(std::string_view text) {
  if (!text.empty() && text.front() == '"') {
    text.remove_prefix(1);
    if (!text.empty()) text.remove_suffix(1);
  }
  return std::string(text);
}

std::optional<FileKind> KindOfFile(std::string_view path) {
  const std::size_t dot = path.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  std::string ext;
  for (char c : path.substr(dot + 1)) {
    ext.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  if (ext == "txt") return FileKind::kDump;
  if (ext == "cmd") return FileKind::kCommands;
  if (ext == "age") return FileKind::kAgeing;
  if (ext == "msr") return FileKind::kMeasurement;
  return std::nullopt;
}

int TabOfKind(FileKind kind) {
  switch (kind) {
    case FileKind::kDump:
      return 0;
    case FileKind::kCommands:
      return 3;
    case FileKind::kAgeing:
      return 4;
    case FileKind::kMeasurement:
      return 5;
  }
  return 0;
}

}  // namespace tamarack
