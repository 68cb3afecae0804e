#include "measure/drawing.h"

#include <algorithm>

#include "util/html_page.h"
#include "util/strings.h"

namespace tamarack {

namespace {

std::string Color(Rgb c) { return StrFormat("#%02x%02x%02x", c.r, c.g, c.b); }

// Control characters are not allowed in XML text: each becomes a blank.
std::string Escaped(const std::string& text) {
  std::string plain = text;
  for (char& c : plain) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  return HtmlEscape(plain);
}

}  // namespace

std::string DrawingToSvg(const Drawing& drawing, int width, int height) {
  std::string svg = StrFormat(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
      "viewBox=\"0 0 %d %d\">\n",
      width, height, width, height);
  int clip = 0;
  for (const Shape& shape : drawing) {
    if (const auto* f = std::get_if<FillShape>(&shape)) {
      StrAppendFormat(&svg, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"%s\"/>\n",
                      f->box.left, f->box.top, std::max(0, f->box.width()),
                      std::max(0, f->box.height()), Color(f->color).c_str());
    } else if (const auto* l = std::get_if<LineShape>(&shape)) {
      // Pixel lines sit on pixel centres, as the window draws them.
      StrAppendFormat(&svg,
                      "<line x1=\"%d.5\" y1=\"%d.5\" x2=\"%d.5\" y2=\"%d.5\" stroke=\"%s\" "
                      "stroke-width=\"%d\" stroke-linecap=\"square\"/>\n",
                      l->x1, l->y1, l->x2, l->y2, Color(l->color).c_str(), l->width);
    } else if (const auto* t = std::get_if<TextShape>(&shape)) {
      const int size = std::max(1, std::min(12, t->box.height() * 3 / 5));
      StrAppendFormat(&svg,
                      "<clipPath id=\"c%d\"><rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"/>"
                      "</clipPath>\n",
                      clip, t->box.left, t->box.top, std::max(0, t->box.width()),
                      std::max(0, t->box.height()));
      StrAppendFormat(&svg,
                      "<text x=\"%d\" y=\"%d\" font-family=\"sans-serif\" font-size=\"%d\" "
                      "fill=\"%s\" clip-path=\"url(#c%d)\">%s</text>\n",
                      t->box.left, t->box.top + size, size, Color(t->color).c_str(), clip,
                      Escaped(t->text).c_str());
      ++clip;
    }
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace tamarack
