# Writes the version source file: the project version and, when the sources are a git
# checkout, the revision ("-dirty" with uncommitted changes). Run at every build with
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -DVERSION=... -P version_info.cmake
# The file is only rewritten when its text changes, so an unchanged revision rebuilds nothing.
set(revision "")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${SOURCE_DIR}/.git")
  execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
                  OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE rev_failed ERROR_QUIET)
  if(rev_failed)
    set(revision "")
  else()
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" diff --quiet HEAD --
                    RESULT_VARIABLE dirty OUTPUT_QUIET ERROR_QUIET)
    if(dirty EQUAL 1)
      string(APPEND revision "-dirty")
    endif()
  endif()
endif()

set(text "// Written by cmake/version_info.cmake at build time.
#include \"util/version.h\"

namespace tamarack {

std::string_view ProjectVersion() { return \"${VERSION}\"; }
std::string_view SourceRevision() { return \"${revision}\"; }

}  // namespace tamarack
")
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
