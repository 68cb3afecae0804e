#!/usr/bin/env bash
# Capture and check of an N MB virtual disc (an .iso image, unlimited speed) through
# tamarack-cli, against cp of the same bytes, taking turns ROUNDS times. The capture ends with
# an fsync, so it is set against cp followed by an fsync of the copy as well as against cp alone.
# Prints the median wall seconds (timed to the microsecond by the shell, fork and exec included)
# and the median CPU seconds (to the hundredth, from /usr/bin/time) of each, and the ratios of
# the medians. On a shared machine the CPU seconds are the steadier measure.
# Usage: bench/capture_vs_cp.sh [MB] [ROUNDS] [BUILD_DIR]   (defaults: 650, 5, build/release)
set -euo pipefail
mb="${1:-650}"
rounds="${2:-5}"
build="${3:-build/release}"
cd "$(dirname "$0")/.."
cli="$build/src/cli/tamarack-cli"
[[ -x "$cli" ]] || { echo "build $cli first (cmake --build $build --target tamarack-cli)" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
head -c "$((mb * 1024 * 1024))" /dev/urandom > "$work/disc.iso"
cat "$work/disc.iso" > /dev/null  # every run starts from the page cache
sync

# timed NAME COMMAND...: appends "wall cpu" seconds of the command to $work/NAME.times
timed() {
  local name="$1"; shift
  local t0=$EPOCHREALTIME
  /usr/bin/time -f "%U %S" -o "$work/last.cpu" "$@"
  local t1=$EPOCHREALTIME
  echo "$(( ${t1/./} - ${t0/./} )) $(awk '{ print $1 + $2 }' "$work/last.cpu")" >> "$work/$name.times"
}
drive="emu:$work/disc.iso?speed=max"
for ((i = 0; i < rounds; i++)); do
  timed cp cp "$work/disc.iso" "$work/copy.iso"
  timed fsync sync "$work/copy.iso"
  rm -f "$work/copy.iso"; sync
  timed capture "$cli" capture --drive "$drive" --out "$work/cap.dat" > "$work/capture.log" 2>&1
  cmp -s "$work/disc.iso" "$work/cap.dat" || { echo "the capture differs from the image" >&2; exit 1; }
  timed check "$cli" check --drive "$drive" --file "$work/cap.dat" > "$work/check.log" 2>&1
  grep -q "differences: 0" "$work/check.log" || { cat "$work/check.log" >&2; exit 1; }
  rm -f "$work/cap.dat"; sync
done
# cp+fsync of a round is the sum of the round's two.
paste -d' ' "$work/cp.times" "$work/fsync.times" | awk '{ print $1 + $3, $2 + $4 }' \
  > "$work/cpfsync.times"

# median FILE COLUMN
median() { cut -d' ' -f"$2" "$1" | sort -n | awk '{a[NR] = $1} END {
  print NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
declare -A wall cpu
for n in cp cpfsync capture check; do
  wall[$n]=$(median "$work/$n.times" 1)
  cpu[$n]=$(median "$work/$n.times" 2)
done
echo "$(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
     "load $(cut -d' ' -f1-3 /proc/loadavg); medians of $rounds rounds"
awk -v mb="$mb" -v wcp="${wall[cp]}" -v ccp="${cpu[cp]}" -v wcs="${wall[cpfsync]}" \
    -v ccs="${cpu[cpfsync]}" -v wca="${wall[capture]}" -v cca="${cpu[capture]}" \
    -v wch="${wall[check]}" -v cch="${cpu[check]}" 'BEGIN {
  wcp /= 1e6; wcs /= 1e6; wca /= 1e6; wch /= 1e6
  printf "%d MB: cp %.3f s wall (%.0f MB/s), %.2f s CPU; cp+fsync %.3f s wall, %.2f s CPU\n",
         mb, wcp, mb / wcp, ccp, wcs, ccs
  printf "capture %.3f s wall (%.0f MB/s), %.2f s CPU: %.2f x cp, %.2f x cp+fsync by wall time\n",
         wca, mb / wca, cca, wcp / wca, wcs / wca
  printf "check   %.3f s wall (%.0f MB/s), %.2f s CPU: %.2f x cp by wall time\n",
         wch, mb / wch, cch, wcp / wch }'
