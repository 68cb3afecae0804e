#include "shell/start_tab.h"

#include "util/strings.h"

namespace tamarack {

std::string FileOfCommandLine(std::string_view text) {
  if (!text.empty() && text.front() == '"') {
    text.remove_prefix(1);
    if (!text.empty()) text.remove_suffix(1);
  }
  return std::string(text);
}

std::optional<FileKind> KindOfFile(std::string_view path) {
  // The extension of the file's own name: a dot in a folder ("~/.local", "./run.cmd") is no
  // extension.
  const std::size_t slash = path.find_last_of(kPathSeparators);
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  return KindOfExtension(name.substr(dot + 1));
}

std::optional<int> TabOfFile(std::string_view command_line) {
  const auto kind = KindOfFile(FileOfCommandLine(command_line));
  if (!kind) return std::nullopt;
  return RowOfKind(*kind).tab;
}

}  // namespace tamarack
