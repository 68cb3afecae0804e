// A small JSON writer for --json output: strings escaped (bytes that are not UTF-8 written as
// the code points of the same value), objects and arrays built as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/json_string.h"

namespace tamarack::cli {

using ::tamarack::JsonString;

// An object with members in the order given; each value is JSON text already.
std::string JsonObject(const std::vector<std::pair<std::string, std::string>>& members);
// An array of JSON texts.
std::string JsonArray(const std::vector<std::string>& items);

}  // namespace tamarack::cli
