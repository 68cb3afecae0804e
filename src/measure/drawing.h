// A picture as plain shapes in drawing order: what the window paints with Qt, what the CLI
// writes as SVG or renders to PNG, and what tests check without pixels.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tamarack {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// A rectangle as edges; right and bottom lie just outside it.
struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Box&) const = default;
};

struct FillShape {
  Box box;
  Rgb color;
  bool operator==(const FillShape&) const = default;
};

// A solid line `width` pixels wide.
struct LineShape {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  Rgb color;
  int width = 1;
  bool operator==(const LineShape&) const = default;
};

// Text drawn from the top left of its box, cut at the box, on an opaque background.
struct TextShape {
  Box box;
  std::string text;
  Rgb color;
  Rgb background;
  bool operator==(const TextShape&) const = default;
};

using Shape = std::variant<FillShape, LineShape, TextShape>;
using Drawing = std::vector<Shape>;

// The drawing as a standalone SVG document of `width` × `height` pixels.
std::string DrawingToSvg(const Drawing& drawing, int width, int height);

}  // namespace tamarack
