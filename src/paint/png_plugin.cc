// The entry point of libtamarack-png.so (see png_plugin.h).
#include "paint/png_plugin.h"

#include "paint/drawing_painter.h"

namespace {

bool Encode(const tamarack::Drawing& drawing, int width, int height, std::string* png,
            std::string* error) {
  return tamarack::paint::EncodePng(drawing, width, height, png, error);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const tamarack::paint::PngPlugin*
tamarack_png_plugin() {
  static const tamarack::paint::PngPlugin plugin{
      tamarack::paint::kPngPluginAbi, sizeof(tamarack::Shape), TAMARACK_VERSION, &Encode};
  return &plugin;
}
