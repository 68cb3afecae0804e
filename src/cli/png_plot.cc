#include "cli/png_plot.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "paint/png_plugin.h"
#include "platform/env.h"
#include "util/text_file.h"
#include "util/version.h"

namespace tamarack::cli {

namespace {

// The plugin `file` checked against this build; null with the reason in `error`. A plugin once
// loaded stays loaded (Qt keeps state of its own that must not go away under it).
const paint::PngPlugin* LoadPlugin(const std::string& file, std::string* error) {
  std::string why;
  void* symbol = Env::Default().LoadLibrarySymbol(file, paint::kPngPluginEntry, &why);
  if (!symbol && !why.empty()) {
    *error = "the PNG plugin " + file + " cannot be loaded: " + why;
    return nullptr;
  }
  const paint::PngPlugin* plugin = nullptr;
  if (symbol) {
    paint::PngPluginEntry entry = nullptr;
    std::memcpy(&entry, &symbol, sizeof entry);
    plugin = entry();
  }
  if (!plugin || plugin->abi != paint::kPngPluginAbi || plugin->shape_size != sizeof(Shape) ||
      !plugin->version || ProjectVersion() != plugin->version || !plugin->encode) {
    *error = file + " is not the PNG plugin of tamarack-cli " + std::string(ProjectVersion());
    return nullptr;
  }
  return plugin;
}

}  // namespace

std::string ProgramFolder() { return Env::Default().ProgramFolder(); }

std::vector<std::string> PngPluginPlaces(const std::string& program_folder) {
  if (program_folder.empty()) return {};
  const std::filesystem::path folder(program_folder);
  return {(folder / paint::kPngPluginFile).string(),
          (folder / TAMARACK_PNG_PLUGIN_FROM_BINDIR / paint::kPngPluginFile)
              .lexically_normal()
              .string()};
}

bool WritePngPlot(const std::vector<std::string>& places, const Drawing& drawing, int width,
                  int height, const std::string& path, std::string* error) {
  std::string looked;
  for (const std::string& place : places) {
    std::error_code ec;
    if (!std::filesystem::exists(place, ec)) {
      looked += (looked.empty() ? "" : ", ") + place;
      continue;
    }
    const paint::PngPlugin* plugin = LoadPlugin(place, error);
    if (!plugin) return false;
    std::string png;
    if (!plugin->encode(drawing, width, height, &png, error)) {
      *error = path + ": " + *error;
      return false;
    }
    return WriteFileAtomically(path, png, error);
  }
  *error = std::string("PNG plots need ") + paint::kPngPluginFile + ", which is not in " +
           (looked.empty() ? std::string("any known place") : looked) + "; use FILE.svg";
  return false;
}

}  // namespace tamarack::cli
