#!/usr/bin/env bash
# Installs what is missing, builds, and starts the Tamarack window. Arguments go to the program.
# Without a display it says so, shows how to run the window anyway, and tours tamarack-cli.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh release

window=./build/release/src/app/tamarack
cli=./build/release/src/cli/tamarack-cli

# A platform chosen by the user (QT_QPA_PLATFORM or -platform) needs no display of ours.
chosen_platform=${QT_QPA_PLATFORM:-}
for arg in "$@"; do
  case "$arg" in -platform | --platform | -platform=* | --platform=*) chosen_platform=yes ;; esac
done

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "$chosen_platform" ]; then
  cat <<TEXT
There is no display on this machine (neither DISPLAY nor WAYLAND_DISPLAY is set), so the
Tamarack window cannot open here. To run the window anyway:

  xvfb-run -a $window
      on a virtual X display (nothing is seen; for scripted use)
  $window -platform vnc:size=1280x800
      then connect a VNC viewer to port 5900 of this machine

Meanwhile, a short tour of tamarack-cli on the built-in virtual drive:
TEXT
  tour() {
    echo
    echo "\$ tamarack-cli $*"
    "$cli" "$@"
  }
  tour drives
  tour inquiry --drive emu:type13
  tour toc --drive emu:audio
  echo
  echo "More: $cli --help, and the README's section on tamarack-cli."
  exit 0
fi

exec "$window" "$@"
