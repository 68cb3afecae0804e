// Paints the core's shapes (measure/drawing.h) with Qt: the window's graph view, the printed
// Measure tab and the CLI's PNG plots (through libtamarack-png.so) draw through this one
// function.
#pragma once

#include <QFont>
#include <string>

#include "measure/drawing.h"

class QPainter;

namespace tamarack::paint {

// Draws `drawing` in order; labels in `font`, cut at their boxes.
void PaintDrawing(QPainter& painter, const Drawing& drawing, const QFont& font);

// Renders `drawing` on a `width` × `height` white image with Qt's raster painter and encodes it
// as PNG into `png`. Needs no display: without a running Qt application one is made on the
// offscreen platform for the call. False with the reason in `error` when it cannot be encoded.
// The caller writes the bytes, as every file of a job is written (whole, or not at all).
bool EncodePng(const Drawing& drawing, int width, int height, std::string* png, std::string* error);

}  // namespace tamarack::paint
