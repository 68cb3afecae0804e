#!/usr/bin/env bash
# How long tamarack-cli takes to start, against sg_inq (sg3-utils) as a small system tool:
# `tamarack-cli --version` against `sg_inq -V`, and one small command on the virtual drive
# (`tamarack-cli send --drive emu:type13 --cdb "00 00 00 00 00 00"`, a Test Unit Ready),
# taking turns RUNS times. Prints the median wall milliseconds of each (the shell's fork and
# exec included, the same for both) and the ratios to sg_inq's, with the machine and its load.
# A script loops over tamarack-cli thousands of times: the aim is at most 2 × sg_inq -V.
# Usage: bench/startup_vs_sg_inq.sh [RUNS] [BUILD_DIR]   (defaults: 50, build/release)
set -euo pipefail
runs="${1:-50}"
build="${2:-build/release}"
cd "$(dirname "$0")/.."
cli="$build/src/cli/tamarack-cli"
[[ -x "$cli" ]] || { echo "build $cli first (cmake --build $build --target tamarack-cli)" >&2; exit 1; }
command -v sg_inq >/dev/null || { echo "sg_inq missing: ./scripts/install-deps.sh bench" >&2; exit 1; }

# Microseconds of one run of the command, its output thrown away.
micros() {
  local t0=$EPOCHREALTIME
  "$@" > /dev/null 2>&1 || true
  local t1=$EPOCHREALTIME
  echo $(( (${t1/./} - ${t0/./}) ))
}
median() { tr ' ' '\n' | grep . | sort -n | awk '{a[NR] = $1} END {
  print (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2) / 1000 }'; }

load=$(cut -d' ' -f1-3 /proc/loadavg)
# One of each first, so that every file is in the page cache before the timed runs.
sg_inq -V > /dev/null 2>&1 || true
"$cli" --version > /dev/null
"$cli" send --drive emu:type13 --cdb "00 00 00 00 00 00" > /dev/null || true
sg=() version=() send=()
for ((i = 0; i < runs; i++)); do
  sg+=("$(micros sg_inq -V)")
  version+=("$(micros "$cli" --version)")
  send+=("$(micros "$cli" send --drive emu:type13 --cdb "00 00 00 00 00 00")")
done
m_sg=$(echo "${sg[*]}" | median)
m_version=$(echo "${version[*]}" | median)
m_send=$(echo "${send[*]}" | median)

echo "$(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "load average (1, 5, 15 min) at the start: $load; the runs take turns, so load hits all alike"
echo "$cli links $(ldd "$cli" | wc -l) shared objects (ldd lines); Qt: $(ldd "$cli" | grep -c libQt || true)"
echo "median of $runs runs, wall ms:"
awk -v sg="$m_sg" -v v="$m_version" -v s="$m_send" 'BEGIN {
  printf "  %-62s %7.2f\n", "sg_inq -V", sg
  printf "  %-62s %7.2f  (%.2f x sg_inq -V; aim: at most 2)\n", "tamarack-cli --version", v, v / sg
  printf "  %-62s %7.2f  (%.2f x sg_inq -V)\n", "tamarack-cli send --drive emu:type13 --cdb \"00 00 00 00 00 00\"", s, s / sg
}'
