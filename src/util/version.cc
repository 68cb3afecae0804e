#include "util/version.h"

namespace tamarack {

std::string VersionText(std::string_view program) {
  std::string text(program);
  text += ' ';
  text += ProjectVersion();
  if (!SourceRevision().empty()) {
    text += " (git ";
    text += SourceRevision();
    text += ')';
  }
  return text;
}

}  // namespace tamarack
