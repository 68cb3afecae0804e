#!/usr/bin/env bash
# Capture and check of an N MB virtual disc (an .iso image, unlimited speed) through
# tamarack-cli, against cp of the same bytes, in one run. The capture ends with an fsync, so it
# is set against cp followed by an fsync of the copy as well as against cp alone. Wall and CPU
# seconds are both shown: on a shared machine the CPU seconds are the steadier measure.
# Usage: bench/capture_vs_cp.sh [MB] [BUILD_DIR]   (defaults: 650, build/release)
set -euo pipefail
mb="${1:-650}"
build="${2:-build/release}"
cd "$(dirname "$0")/.."
cli="$build/src/cli/tamarack-cli"
[[ -x "$cli" ]] || { echo "build $cli first (cmake --build $build --target tamarack-cli)" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
head -c "$((mb * 1024 * 1024))" /dev/urandom > "$work/disc.iso"
cat "$work/disc.iso" > /dev/null  # every run starts from the page cache
sync

# timed NAME COMMAND...: "wall cpu" seconds of the command into $work/NAME.time
timed() {
  local name="$1"; shift
  /usr/bin/time -f "%e %U %S" -o "$work/$name.time" "$@"
}
timed cp cp "$work/disc.iso" "$work/copy.iso"
timed fsync sync "$work/copy.iso"
rm -f "$work/copy.iso"; sync
drive="emu:$work/disc.iso?speed=max"
timed capture "$cli" capture --drive "$drive" --out "$work/cap.dat" > "$work/capture.log" 2>&1
cmp -s "$work/disc.iso" "$work/cap.dat" || { echo "the capture differs from the image" >&2; exit 1; }
timed check "$cli" check --drive "$drive" --file "$work/cap.dat" > "$work/check.log" 2>&1
grep -q "differences: 0" "$work/check.log" || { cat "$work/check.log" >&2; exit 1; }

awk -v mb="$mb" 'FNR == 1 { wall[FILENAME] = $1; cpu[FILENAME] = $2 + $3 } END {
  for (f in wall) { n = f; sub(/.*\//, "", n); sub(/\.time$/, "", n); w[n] = wall[f]; c[n] = cpu[f] }
  cps = w["cp"] + w["fsync"]; cpc = c["cp"] + c["fsync"]
  printf "%d MB: cp %.2f s wall (%.0f MB/s), %.2f s CPU; cp+fsync %.2f s wall, %.2f s CPU\n",
         mb, w["cp"], mb / w["cp"], c["cp"], cps, cpc
  printf "capture %.2f s wall (%.0f MB/s), %.2f s CPU: %.2f x cp, %.2f x cp+fsync by wall time\n",
         w["capture"], mb / w["capture"], c["capture"], w["cp"] / w["capture"], cps / w["capture"]
  printf "check   %.2f s wall (%.0f MB/s), %.2f s CPU: %.2f x cp by wall time\n",
         w["check"], mb / w["check"], c["check"], w["cp"] / w["check"] }' "$work"/*.time
