// Reading and writing the system's text files: read in UTF-8 or in the Japanese Windows code
// page (detected), written in UTF-8, and never left half written.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "util/display_text.h"

namespace tamarack {

// The file's text as UTF-8 (converted from CP932 when it is not valid UTF-8); nothing when
// the file cannot be read. A NUL byte ends nothing: the text is returned whole.
std::optional<std::string> ReadTextFile(const std::string& path);
// The same, and when it cannot be read the reason, naming the file, in `error` (a folder
// where a file is asked for too).
std::optional<std::string> ReadTextFile(const std::string& path, std::string* error);

// Writes `bytes` to a temporary file beside `path` and renames it over `path`, so that a
// crash or a full disk leaves either the old file or the new one, never a truncated one. An
// existing device node or FIFO is written in place, a symlink's target is written
// (output_file.h). False with a reason naming the file on failure (the old file is untouched).
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

// "FOLDER/NAME" with the smallest number from 0 to 999 whose name (`name_of`) `exists` says is
// not there (999 when every one is taken). The default `exists` asks the file system; an empty
// folder gives the bare name.
std::string FirstFreeNumberedPath(const std::string& folder,
                                  const std::function<std::string(int)>& name_of,
                                  const std::function<bool(const std::string&)>& exists = {});

}  // namespace tamarack
