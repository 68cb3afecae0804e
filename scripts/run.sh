#!/usr/bin/env bash
# Installs what is missing, builds, and starts the Tamarack window. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh release
exec ./build/release/src/app/tamarack "$@"
