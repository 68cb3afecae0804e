#!/usr/bin/env bash
# Times reading N MB of an .iso image through the virtual drive (Read(10) of 32 blocks through
# DeviceSession, unlimited speed) against cp of the same bytes, and prints the ratio.
# Usage: bench/read_vs_cp.sh [MB] [BUILD_DIR]   (defaults: 256, build/release)
set -euo pipefail
mb="${1:-256}"
build="${2:-build/release}"
cd "$(dirname "$0")/.."
reader="$build/bench/tamarack_read_image"
[[ -x "$reader" ]] || { echo "build $reader first (cmake --build $build --target tamarack_read_image)" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
head -c "$((mb * 1024 * 1024))" /dev/urandom > "$work/disc.iso"
cat "$work/disc.iso" > /dev/null  # both runs start from the page cache

t0=$(date +%s.%N)
cp "$work/disc.iso" "$work/copy.iso"
t1=$(date +%s.%N)
"$reader" "$work/disc.iso" "$work/read.iso" > /dev/null
t2=$(date +%s.%N)
cmp -s "$work/disc.iso" "$work/read.iso" || { echo "the virtual drive returned other bytes" >&2; exit 1; }

awk -v mb="$mb" -v cp="$(echo "$t1 - $t0" | bc)" -v drive="$(echo "$t2 - $t1" | bc)" 'BEGIN {
  printf "%d MB: cp %.3f s (%.0f MB/s), virtual drive %.3f s (%.0f MB/s), ratio %.2f\n",
         mb, cp, mb / cp, drive, mb / drive, drive / cp }'
