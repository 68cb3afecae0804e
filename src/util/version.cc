#include "util/version.h"

namespace tamarack {

std::string FullVersion() {
  std::string text(ProjectVersion());
  if (!SourceRevision().empty()) {
    text += " (git ";
    text += SourceRevision();
    text += ')';
  }
  return text;
}

std::string VersionText(std::string_view program) {
  return std::string(program) + " " + FullVersion();
}

}  // namespace tamarack
