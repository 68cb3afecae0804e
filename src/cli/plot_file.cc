#include "cli/plot_file.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "cli/png_plot.h"
#include "tools/dump_number.h"
#include "util/text_file.h"

namespace tamarack::cli {
namespace {

bool EndsWith(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<long>(suffix.size()),
                    [](char a, char b) { return (a | 0x20) == (b | 0x20); });
}

bool ParseBlockAddress(const std::string& text, const char* command, const char* name,
                       std::optional<std::int64_t>* out, std::ostream& err) {
  if (text.empty()) return true;
  const auto v = ParseDumpNumber(text, false);
  if (!v || *v > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
    err << "tamarack-cli " << command << ": " << name
        << " takes a block address from 0 to 2147483647 (decimal, or hex with 0x)\n";
    return false;
  }
  *out = *v;
  return true;
}

}  // namespace

bool PlotKindOf(const std::string& path, const char* command, PlotKind* kind, std::ostream& err) {
  *kind = PlotKind::kNone;
  if (path.empty()) return true;
  *kind = EndsWith(path, ".svg")   ? PlotKind::kSvg
          : EndsWith(path, ".png") ? PlotKind::kPng
                                   : PlotKind::kNone;
  if (*kind == PlotKind::kNone) {
    err << "tamarack-cli " << command << ": --plot writes FILE.svg or FILE.png\n";
    return false;
  }
#ifndef TAMARACK_HAVE_PNG_PLOT
  if (*kind == PlotKind::kPng) {
    err << "tamarack-cli " << command << ": this build has no Qt to draw PNG files; use FILE.svg\n";
    return false;
  }
#endif
  return true;
}

bool WritePlot(const std::string& path, PlotKind kind, const Drawing& drawing, int width,
               int height, const CliContext& context, std::string* error) {
  if (kind == PlotKind::kSvg) {
    return WriteFileAtomically(path, DrawingToSvg(drawing, width, height), error);
  }
  if (kind == PlotKind::kPng) {
    return WritePngPlot(context.png_plugin_places, drawing, width, height, path, error);
  }
  return true;
}

bool ParseBlockRange(const std::string& start, const std::string& end, const char* command,
                     std::optional<std::int64_t>* first, std::optional<std::int64_t>* last,
                     std::ostream& err) {
  if (!ParseBlockAddress(start, command, "--start", first, err) ||
      !ParseBlockAddress(end, command, "--end", last, err)) {
    return false;
  }
  if (*first && *last && **last < **first) {
    err << "tamarack-cli " << command << ": --end lies before --start\n";
    return false;
  }
  return true;
}

}  // namespace tamarack::cli
