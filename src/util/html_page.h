// The head and end of the HTML pages the program generates (the ageing log and the other
// reports), and the escaping of text that comes from outside (the disc, the drive, the user).
#pragma once

#include <string>
#include <string_view>

namespace tamarack {

// An HTML 4.01 Transitional head declaring UTF-8 (the encoding every page is written in),
// the style block (10pt text in a font list found on Linux desktops, the H3 bar), the title
// (escaped here), then "<BODY><CENTER>".
std::string HtmlPageHead(std::string_view title);

// "</CENTER></BODY></HTML>".
std::string HtmlPageEnd();

// `text` with &, <, > and " written as entities.
std::string HtmlEscape(std::string_view text);

}  // namespace tamarack
