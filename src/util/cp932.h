// Japanese text in the Windows code page 932 (Shift JIS with its extensions) as UTF-8: the
// character code of CD-TEXT's double-byte packs ("MS-JIS").
#pragma once

#include <string>
#include <string_view>

namespace tamarack {

// `bytes` as UTF-8. A byte or pair that is not CP932 (a cut lead byte, an unassigned code)
// becomes one U+FFFD and the conversion goes on with the next byte.
std::string Cp932BytesToUtf8(std::string_view bytes);

}  // namespace tamarack
