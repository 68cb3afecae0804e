// Text that comes from outside (a disc's volume label, a drive's Inquiry names, a file's bytes)
// made fit for the program's own output: well-formed UTF-8, and for a single line, no
// character that breaks or rewrites it.
#pragma once

#include <string>
#include <string_view>

namespace tamarack {

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// `bytes` as UTF-8: unchanged when they already are, else read as CP932 (util/cp932.h), a byte
// that is no CP932 character becoming U+FFFD.
std::string TextAsUtf8(std::string_view bytes);

// `bytes` as one line of UTF-8 text (TextAsUtf8) with every control character shown as "?":
// C0 controls, DEL, the C1 controls U+0080-U+009F, the line and paragraph separators
// U+2028 and U+2029, and the direction controls (U+061C, U+200E, U+200F, U+202A-U+202E,
// U+2066-U+2069). Markup escaping is the writer's (HtmlEscape).
std::string DisplayText(std::string_view bytes);

}  // namespace tamarack
