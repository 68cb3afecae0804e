#!/usr/bin/env bash
# Installs what is missing, builds and runs every test of one preset (default: release).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
./scripts/build.sh "$preset"
ctest --preset "$preset" -j "$(nproc)"
