// PNG plots through libtamarack-png.so, loaded only when a PNG is asked for: the CLI itself
// links no Qt, so that its start stays that of a small system tool.
#pragma once

#include <string>
#include <vector>

#include "measure/drawing.h"

namespace tamarack::cli {

// The folder of the running program (from /proc/self/exe); "" when it cannot be told.
std::string ProgramFolder();

// Where a tamarack-cli in `program_folder` looks for the plugin, in order: beside it (the build
// tree) and at its installed place (LIBDIR/tamarack, reached from BINDIR). None when the
// folder is "".
std::vector<std::string> PngPluginPlaces(const std::string& program_folder);

// Draws `drawing` as a `width` × `height` PNG with the first plugin of `places` that is there
// and writes it to `path` whole or not at all (WriteFileAtomically). False with the reason in
// `error`: no plugin in any of the places, one that cannot be loaded (the loader's reason, e.g.
// a missing Qt library), one of another build, the painter's or the file's failure.
bool WritePngPlot(const std::vector<std::string>& places, const Drawing& drawing, int width,
                  int height, const std::string& path, std::string* error);

}  // namespace tamarack::cli
