// Parsing hex byte text typed on the command line, and a plain hex listing of a reply.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tamarack::cli {

// "12 00 00 00 ff" or "120000" (pairs), blanks and commas between bytes. Nothing when a
// character is not a hex digit or a byte is left with one digit.
std::optional<std::vector<std::uint8_t>> ParseTypedHexBytes(std::string_view text);

// Hex text as captured replies are written down: '#' starts a comment to the line's end,
// blanks, tabs and commas separate bytes, a byte is one or two hex digits (a longer even run
// is bytes in pairs), and a first token ending in ':' is the line's offset and skipped.
// Nothing, with what is wrong and on which line in `error`, for any other text.
std::optional<std::vector<std::uint8_t>> ParseInhexText(std::string_view text, std::string* error);

// The bytes of a captured reply: the file as hex text (ParseInhexText), or with `raw` its bytes
// as they are. Only a regular file is read (a FIFO or a device would block or never end).
std::optional<std::vector<std::uint8_t>> ReadReplyFile(const std::string& path, bool raw,
                                                       std::string* error);

// A plain listing: "%04x: " offset, sixteen "%02x " bytes, and the printable characters.
std::string HexListing(std::span<const std::uint8_t> bytes);

}  // namespace tamarack::cli
