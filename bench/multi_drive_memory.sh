#!/usr/bin/env bash
# Memory per drive of a several-drive run: the same job on 1 and on N virtual drives at once
# (type13, unlimited speed, each with a seed of its own so that the ids differ), the peak
# resident size of each run, and (peak N - peak 1) / (N - 1) as the memory one more drive
# costs. Two jobs: an ageing run with the data check (commands of 16 blocks over 20 000
# blocks) and a capture of 5 000 blocks with its check. Wall seconds are shown too: N drives on
# this machine's cores against one.
# Usage: bench/multi_drive_memory.sh [N] [BUILD_DIR]   (defaults: 16, build/release)
set -euo pipefail
n="${1:-16}"
build="${2:-build/release}"
cd "$(dirname "$0")/.."
cli="$build/src/cli/tamarack-cli"
[[ -x "$cli" ]] || { echo "build $cli first (cmake --build $build --target tamarack-cli)" >&2; exit 1; }
(( n >= 2 )) || { echo "N must be 2 or more" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# drives COUNT: "--drive ID" for COUNT virtual drives
drives() {
  local i
  for ((i = 1; i <= $1; ++i)); do printf -- '--drive\nemu:type13?speed=max&seed=%d\n' "$i"; done
}

# peak JOB COUNT ARGS...: "KiB seconds" of the job on COUNT drives
peak() {
  local job="$1" count="$2"; shift 2
  local -a ids
  mapfile -t ids < <(drives "$count")
  rm -f "$work"/*.dat "$work"/*.log
  /usr/bin/time -f "%M %e" -o "$work/time" "$cli" "$job" "${ids[@]}" "$@" \
    > "$work/out" 2> "$work/err" || { cat "$work/out" "$work/err" >&2; exit 1; }
  grep -q "worst exit status: 0" "$work/out" || [[ "$count" == 1 ]] \
    || { cat "$work/out" >&2; exit 1; }
  cat "$work/time"
}

report() {
  local name="$1" job="$2"; shift 2
  read -r one one_s < <(peak "$job" 1 "$@")
  read -r many many_s < <(peak "$job" "$n" "$@")
  awk -v name="$name" -v n="$n" -v one="$one" -v many="$many" -v s1="$one_s" -v sn="$many_s" \
    'BEGIN { printf "%-8s 1 drive %.1f MB, %d drives %.1f MB: %.2f MB per drive; %.1f s, %.1f s\n",
             name, one / 1024, n, many / 1024, (many - one) / 1024 / (n - 1), s1, sn }'
}

echo "$(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
report age age --command read12 --start 0 --end 20000 --length 16 --method step --step 16 \
  --loop once --check type13 --log "$work/age-{drive}.log" --failed-only
report capture capture --end 5000 --check --out "$work/cap-{drive}.dat" --yes
