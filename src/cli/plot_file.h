// What the subcommands that draw a graph share: the plot's kind from its file name, writing it
// (SVG from the drawing, PNG through the plugin), and the block addresses of --start and --end.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli_app.h"
#include "measure/drawing.h"

namespace tamarack::cli {

enum class PlotKind { kNone, kSvg, kPng };

// The plot's kind from its file name (none for no name); false with a message naming
// `command` when it cannot be drawn.
bool PlotKindOf(const std::string& path, const char* command, PlotKind* kind, std::ostream& err);

// Writes `drawing` of `width` × `height` pixels; false with the reason in `error`.
bool WritePlot(const std::string& path, PlotKind kind, const Drawing& drawing, int width,
               int height, const CliContext& context, std::string* error);

// --start and --end as typed (decimal, or hex with 0x; each from 0 to 2147483647, empty text
// leaves it unset) into `first` and `last`. False with a message naming `command` for a bad
// address or an end before the start.
bool ParseBlockRange(const std::string& start, const std::string& end, const char* command,
                     std::optional<std::int64_t>* first, std::optional<std::int64_t>* last,
                     std::ostream& err);

}  // namespace tamarack::cli
