#!/usr/bin/env bash
# Runs clang-tidy with the project's profile (.clang-tidy) over the core and the CLI (src/ but
# the window, whose moc output is Qt's), on the compile commands of the release build. Any
# finding fails. Arguments: path filters (regular expressions) instead of all of src/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target tamarack_core >/dev/null
filters=("$@")
[ ${#filters[@]} -eq 0 ] && filters=('src/(?!app/).*\.cc$')
# The GCC build's warning options include one clang does not know.
run-clang-tidy -quiet -p build/release -j "$(nproc)" \
  -extra-arg=-Wno-unknown-warning-option "${filters[@]}"
