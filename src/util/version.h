// The program's version: the project version from CMake and, when built from a git checkout,
// the revision it was built from.
#pragma once

#include <string>
#include <string_view>

namespace tamarack {

// "0.1.0".
std::string_view ProjectVersion();
// "18051dd0a1b2" (with "-dirty" for uncommitted changes); "" when not built from a checkout.
std::string_view SourceRevision();

// "0.1.0 (git 18051dd0a1b2)", or "0.1.0" without a revision.
std::string FullVersion();
// What --version prints: "tamarack-cli 0.1.0 (git 18051dd0a1b2)".
std::string VersionText(std::string_view program);

}  // namespace tamarack
