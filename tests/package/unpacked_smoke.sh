#!/usr/bin/env bash
# The packages of dist/ (scripts/package.sh) unpacked into a temporary root with dpkg -x and run
# from there as installed programs: tamarack-cli --version, a TOC of the virtual drive, a PNG
# plot through the plugin of the window's package, an ageing run in English through the
# installed catalogue, each man page through man -l, and the window
# started under Xvfb with a fresh HOME, whose settings file must land in ~/.config/tamarack.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
for deb in dist/*.deb; do dpkg -x "$deb" "$root"; done
export TAMARACK_PLATFORM_DRIVES=0
cli=$root/usr/bin/tamarack-cli
home=$root/home
mkdir -p "$home"

echo "== tamarack-cli --version"
"$cli" --version
echo "== tamarack-cli toc --drive emu:audio"
"$cli" toc --drive emu:audio | tail -n 4
echo "== measure --plot PNG (the plugin of the tamarack package)"
"$cli" measure --drive "emu:type13?speed=clv48" --end 7500 --plot "$home/speed.png" | tail -n 2
[ "$(head -c 4 "$home/speed.png" | tail -c 3)" = PNG ] || { echo "no PNG written" >&2; exit 1; }
echo "== English: LANG=en_US.UTF-8, whether or not the machine has that locale"
english=$(env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=en_US.UTF-8 \
  "$cli" age --drive "emu:type13?speed=max" --end 40 --loop once 2>&1)
grep -q 'Ageing has finished' <<<"$english" || { echo "not in English: $english" >&2; exit 1; }
echo "$english" | tail -n 2
echo "== man -l"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings" >&2; exit 1; }
  MANWIDTH=80 man -l "$page" 2>/dev/null | head -n 4
done
echo "== the window under Xvfb, HOME=$home"
# The window writes its settings after a user action: a click on the Toc tab (at 750 x 600, on
# a display without a window manager, the tab bar lies at the window's top left).
HOME=$home XDG_CONFIG_HOME='' xvfb-run -a -s "-screen 0 800x650x24" bash -c '
  "$0" & window=$!
  id=$(xdotool search --sync --onlyvisible --name Tamarack | head -n 1)
  xdotool windowsize "$id" 750 600
  sleep 2
  xdotool mousemove 162 52 click 1
  for _ in $(seq 60); do
    [ -s "$HOME/.config/tamarack/IniFile.txt" ] && break
    sleep 0.5
  done
  kill "$window"; wait "$window" || true' "$root/usr/bin/tamarack"
if [ ! -s "$home/.config/tamarack/IniFile.txt" ]; then
  echo "the window wrote no ~/.config/tamarack/IniFile.txt" >&2
  ls -laR "$home" >&2
  exit 1
fi
if [ -e "$root/usr/bin/IniFile.txt" ]; then
  echo "the window wrote its settings beside itself" >&2
  exit 1
fi
echo "settings: ~/.config/tamarack/IniFile.txt, $(wc -l <"$home/.config/tamarack/IniFile.txt") lines"
echo "unpacked_smoke.sh: the unpacked packages run"
