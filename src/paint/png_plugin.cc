// The entry point of libtamarack-png.so (see png_plugin.h).
#include "paint/png_plugin.h"

#include <type_traits>

#include "paint/drawing_painter.h"

extern "C" __attribute__((visibility("default"))) const tamarack::paint::PngPlugin*
tamarack_png_plugin() {
  static const tamarack::paint::PngPlugin plugin{tamarack::paint::kPngPluginAbi,
                                                 sizeof(tamarack::Shape), TAMARACK_VERSION,
                                                 &tamarack::paint::EncodePng};
  return &plugin;
}

// The CLI calls the entry through this type.
static_assert(std::is_same_v<decltype(&tamarack_png_plugin), tamarack::paint::PngPluginEntry>);
