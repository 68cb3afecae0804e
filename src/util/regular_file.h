// Opening the files a user names as input (disc images, their sheets, traces): only regular
// files, opened without blocking, so that a FIFO or a device node is refused at once instead
// of hanging in open().
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/env.h"

namespace tamarack {

// `path` open for reading, or nothing with a reason naming the file: "PATH: cannot open:
// REASON" or "PATH: not a regular file".
std::unique_ptr<RandomAccessFile> OpenRegularFile(const std::string& path, std::string* error);

// The bytes of the regular file `path`, at most `max_bytes` of them ("PATH: N bytes, more than
// a FORMAT holds" names `format` when it is longer); nothing with a reason otherwise.
std::optional<std::string> ReadRegularFile(const std::string& path, std::uint64_t max_bytes,
                                           const char* format, std::string* error);

}  // namespace tamarack
