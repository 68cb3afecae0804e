// Fonts named in the settings that this machine does not have: the settings keep the name the
// user chose, and the window draws with an installed face of the same kind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tamarack {

// The face to draw with for `face`: itself when installed; for the Japanese Windows faces
// ("ＭＳ ゴシック", "HGSｺﾞｼｯｸE", ...) the first installed substitute of their kind (fixed-pitch
// for the fixed faces, so that half-width katakana take one cell and kanji two); otherwise
// `fallback`.
std::string MapFontFace(std::string_view face, const std::vector<std::string>& installed,
                        std::string_view fallback);

// The fixed-pitch Japanese face for dumps, from what is installed; `fallback` when none.
std::string FixedJapaneseFace(const std::vector<std::string>& installed, std::string_view fallback);

}  // namespace tamarack
