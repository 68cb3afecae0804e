#!/usr/bin/env bash
# The instructions tamarack-cli runs per command of its own (everything but the drive's and the
# kernel's work), counted by valgrind's callgrind: capture, check and measure read from /dev/null
# with bench/sg_io_stub.cc preloaded, an SG_IO that answers at once as an ideal drive with a
# data disc. Each runs over two lengths of range; the difference of the two counts, less what
# the stub itself ran, over the difference of their commands is the work of one command, without
# start-up and closing. The bare loops of bench/bare_read_compare.cc (the same reads and writes,
# reads, file reads and comparisons, or reads alone, and nothing else) run the same way as the
# floor.
# Deterministic where bench/vm_sg_dd.sh is not: on QEMU without KVM every instruction a
# command runs after its SG_IO costs some 15-20 ns, so these counts are what capture, check and
# measure lose against sg_dd there.
# Usage: bench/own_work_per_command.sh [BUILD_DIR]   (default: build/release)
set -euo pipefail
build="${1:-build/release}"
cd "$(dirname "$0")/.."
cli="$build/src/cli/tamarack-cli"
bare="$build/bench/tamarack_bare_read_compare"
stub="$build/bench/libtamarack_sg_io_stub.so"
for f in "$cli" "$bare" "$stub"; do
  [[ -e "$f" ]] || { echo "build $f first (cmake --build $build)" >&2; exit 1; }
done
command -v valgrind >/dev/null || { echo "valgrind missing: ./scripts/install-deps.sh bench" >&2; exit 1; }
stub="$(cd "$(dirname "$stub")" && pwd)/$(basename "$stub")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
short=16000
long=48000

# Instructions of `$@` under callgrind with the stub preloaded, less the stub's own.
own_instructions() {
  local out="$work/callgrind.out"
  LD_PRELOAD="$stub" valgrind --tool=callgrind --callgrind-out-file="$out" "$@" > /dev/null 2>&1 || true
  callgrind_annotate --inclusive=yes --threshold=100 "$out" 2>/dev/null | tr -d , | awk '
    /PROGRAM TOTALS/ { total = $1 }
    /sg_io_stub/ && /:ioctl / { stub = $1 }
    END { if (total == "") exit 1; print total - stub }'
}

# TOOL PER_COMMAND ARGS... (ARGS end before the last block: --end or the bare loop's count
# follows): the instructions per command.
per_command() {
  local per=$1 kind=$2
  shift 2
  local a b
  if [[ $kind == bare ]]; then
    a=$(own_instructions "$@" "$short")
    b=$(own_instructions "$@" "$long")
  else
    a=$(own_instructions "$@" --end $((short - 1)))
    b=$(own_instructions "$@" --end $((long - 1)))
  fi
  echo $(( (b - a) * per / (long - short) ))
}

# The reference the checks compare with: the stub's own data, captured once.
LD_PRELOAD="$stub" "$cli" capture --drive /dev/null --out "$work/ref.dat" --start 0 \
  --end $((long - 1)) > /dev/null 2>&1
capture=$(per_command 16 cli "$cli" capture --drive /dev/null --out "$work/cap.dat" --start 0)
bare_c=$(per_command 16 bare "$bare" --capture /dev/null "$work/bare.dat")
check=$(per_command 14 cli "$cli" check --drive /dev/null --file "$work/ref.dat" --start 0)
bare_k=$(per_command 14 bare "$bare" /dev/null "$work/ref.dat")
measure=$(per_command 10 cli "$cli" measure --drive /dev/null --blocks 10 --start 0)
bare_m=$(per_command 10 bare "$bare" --measure 10 /dev/null)

echo "instructions per command of the program's own work (callgrind; an SG_IO stub answers at once)"
printf '  capture (16 blocks per command)   %6d   bare read+write loop     %6d\n' "$capture" "$bare_c"
printf '  check (14 blocks per command)     %6d   bare read+compare loop   %6d\n' "$check" "$bare_k"
printf '  measure --blocks 10               %6d   bare read loop           %6d\n' "$measure" "$bare_m"
