// Reading and writing the system's text files: read in UTF-8 or in the Japanese Windows code
// page (detected), written in UTF-8, and never left half written.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "util/display_text.h"

namespace tamarack {

// The file's text as UTF-8 (converted from CP932 when it is not valid UTF-8); nothing when
// the file cannot be read. A NUL byte ends nothing: the text is returned whole.
std::optional<std::string> ReadTextFile(const std::string& path);

// Writes `bytes` to a temporary file beside `path` and renames it over `path`, so that a
// crash or a full disk leaves either the old file or the new one, never a truncated one. An
// existing device node or FIFO is written in place, a symlink's target is written (util/
// output_file.h). False with a reason naming the file on failure (the old file is untouched).
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

}  // namespace tamarack
