// The PNG plugin (libtamarack-png.so): the raster painter behind `tamarack-cli ... --plot
// FILE.png`, in a library of its own so that the CLI links no Qt and loads it (dlopen) only when
// a PNG is asked for. No Qt in this header: the CLI includes it.
#pragma once

#include <cstddef>
#include <string>

#include "measure/drawing.h"

namespace tamarack::paint {

inline constexpr char kPngPluginFile[] = "libtamarack-png.so";
// The one symbol the plugin exports: a PngPluginEntry.
inline constexpr char kPngPluginEntry[] = "tamarack_png_plugin";
// Raised whenever PngPlugin or the way it is called changes.
inline constexpr int kPngPluginAbi = 1;

// What the plugin hands the CLI. The core's types cross the boundary, so the CLI calls `encode`
// only when the fields before it say the plugin was built from the same sources: the ABI, the
// size of a shape as the plugin sees it and the project version.
struct PngPlugin {
  int abi = 0;
  std::size_t shape_size = 0;
  const char* version = "";
  // Renders `drawing` on a `width` × `height` white image with Qt's raster painter (the
  // window's PaintDrawing, offscreen, no display needed) and encodes it as PNG into `png`;
  // false with the reason in `error`.
  bool (*encode)(const Drawing& drawing, int width, int height, std::string* png,
                 std::string* error) = nullptr;
};

using PngPluginEntry = const PngPlugin* (*)();

}  // namespace tamarack::paint
