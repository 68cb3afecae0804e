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
# Files found clean before are not checked again while what clang-tidy sees of them is the
# same (scripts/tidy.py).
./scripts/tidy.py build/release "${filters[@]}"
