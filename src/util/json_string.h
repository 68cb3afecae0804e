// JSON string literals for every writer of JSON (the CLI's --json output, the command trace).
#pragma once

#include <string>
#include <string_view>

namespace tamarack {

// The JSON string literal of `text`, quotes included. Bytes that are not UTF-8 are written as
// the code points of the same value ("\u00XX"), so any text gives valid JSON.
std::string JsonString(std::string_view text);

}  // namespace tamarack
