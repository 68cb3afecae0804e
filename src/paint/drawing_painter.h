// Paints the core's shapes (measure/drawing.h) with Qt: the window's graph view, the printed
// Measure tab and the CLI's PNG plots draw through this one function.
#pragma once

#include <QFont>
#include <string>

#include "measure/drawing.h"

class QPainter;

namespace tamarack::paint {

// Draws `drawing` in order; labels in `font`, cut at their boxes.
void PaintDrawing(QPainter& painter, const Drawing& drawing, const QFont& font);

// Renders `drawing` on a `width` × `height` image with Qt's raster painter and writes it as
// PNG. Needs no display: without a running Qt application one is made on the offscreen
// platform for the call. The file is written whole through a temporary file (WriteFileAtomically);
// false with the file and the system's reason when it cannot be.
bool WritePngFile(const Drawing& drawing, int width, int height, const std::string& path,
                  std::string* error);

}  // namespace tamarack::paint
