#include "util/cp932.h"

#include <iconv.h>

#include <cerrno>

namespace tamarack {

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";

}  // namespace

std::string Cp932BytesToUtf8(std::string_view bytes) {
  std::string out;
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No converter: the ASCII stays, the rest is marked.
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) < 0x80) {
        out += c;
      } else {
        out += kReplacement;
      }
    }
    return out;
  }
  std::string in(bytes);
  char* inp = in.data();
  std::size_t inleft = in.size();
  char buf[1024];
  while (inleft > 0) {
    char* outp = buf;
    std::size_t outleft = sizeof buf;
    const std::size_t rc = iconv(cd, &inp, &inleft, &outp, &outleft);
    out.append(buf, sizeof buf - outleft);
    if (rc == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      out += kReplacement;  // invalid or cut off: skip one byte
      ++inp;
      --inleft;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace tamarack
