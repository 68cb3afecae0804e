#include "shell/font_mapping.h"

#include <algorithm>
#include <span>

namespace tamarack {

namespace {

// Substitutes in order of preference. Fixed-pitch first for the fixed faces.
constexpr const char* kFixedJapanese[] = {"IPAGothic", "IPAゴシック", "Noto Sans Mono CJK JP",
                                          "VL Gothic", "TakaoGothic"};
constexpr const char* kProportionalJapanese[] = {"IPAPGothic", "IPA Pゴシック", "Noto Sans CJK JP",
                                                 "IPAGothic",  "VL PGothic",    "TakaoPGothic"};

struct FaceKind {
  const char* face;
  bool fixed;
};

// The faces of the original platform that settings files carry.
constexpr FaceKind kWindowsFaces[] = {
    {"ＭＳ ゴシック", true}, {"MS Gothic", true},        {"ＭＳ 明朝", true},
    {"HGSｺﾞｼｯｸE", false},    {"ＭＳ Ｐゴシック", false}, {"MS PGothic", false},
    {"MS UI Gothic", false}, {"メイリオ", false},        {"Meiryo", false},
};

bool Installed(std::string_view face, const std::vector<std::string>& installed) {
  return std::find(installed.begin(), installed.end(), face) != installed.end();
}

std::string FirstInstalled(std::span<const char* const> candidates,
                           const std::vector<std::string>& installed, std::string_view fallback) {
  for (const char* c : candidates) {
    if (Installed(c, installed)) return c;
  }
  return std::string(fallback);
}

}  // namespace

std::string MapFontFace(std::string_view face, const std::vector<std::string>& installed,
                        std::string_view fallback) {
  if (!face.empty() && Installed(face, installed)) return std::string(face);
  for (const FaceKind& k : kWindowsFaces) {
    if (face == k.face) {
      return k.fixed ? FirstInstalled(kFixedJapanese, installed, fallback)
                     : FirstInstalled(kProportionalJapanese, installed, fallback);
    }
  }
  return std::string(fallback);
}

std::string FixedJapaneseFace(const std::vector<std::string>& installed,
                              std::string_view fallback) {
  return FirstInstalled(kFixedJapanese, installed, fallback);
}

}  // namespace tamarack
