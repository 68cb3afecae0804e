#!/usr/bin/env bash
# Installs what is missing, builds and runs every test of one preset (default: release).
# The tsan preset runs only the tests labelled `threads`; `fuzz` builds the fuzz targets and
# replays their seed corpora (scripts/fuzz.sh fuzzes them); `vm` installs what the VM test
# needs, builds tamarack-cli (release) and runs the tests labelled `vm` (tests/vm); `windows`
# installs the mingw-w64 cross compiler and wine, cross-builds the core, tamarack-cli.exe and
# the core's tests, and runs them under wine (label `windows`).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
if [ "$preset" = vm ]; then
  ./scripts/install-deps.sh vm
  cmake --preset release >/dev/null
  cmake --build --preset release --target tamarack-cli
  ctest --preset vm
  exit
fi
if [ "$preset" = windows ]; then
  ./scripts/install-deps.sh windows
  cmake --preset windows >/dev/null
  # The core, tamarack-cli.exe and the core's test programs (no window, no benchmarks).
  cmake --build --preset windows -j "$(nproc)"
  # One wine server for the whole run, stopped at the end.
  export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$PWD/build/windows/wine}
  trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
  # The prefix made before the tests start wine side by side: two first starts race for it.
  /usr/lib/wine/wine64 wineboot --init 2>/dev/null
  ctest --preset windows -j "$(nproc)"
  exit
fi
./scripts/build.sh "$preset"
run=()
# ThreadSanitizer of GCC 12 and clang 14 cannot map its shadow memory under the wider address
# randomisation of newer kernels; without randomisation it always can.
if [ "$preset" = tsan ] && setarch "$(uname -m)" -R true 2>/dev/null; then
  run=(setarch "$(uname -m)" -R)
fi
"${run[@]}" ctest --preset "$preset" -j "$(nproc)"
