// Which tab a file named on the command line belongs to.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "shell/file_kinds.h"

namespace tamarack {

// The file named by a command line: a leading double quote and the last character are
// removed when the text starts with a quote. Empty when there is none.
std::string FileOfCommandLine(std::string_view text);

// The kind by the text after the last "." of the file's name (case-insensitive): "txt",
// "cmd", "age", "msr". Nothing for any other extension or no "." in the name.
std::optional<FileKind> KindOfFile(std::string_view path);

// The tab of the file a command line names (quotes removed), or nothing.
std::optional<int> TabOfFile(std::string_view command_line);

}  // namespace tamarack
