#!/bin/sh
# Runs inside the VM of bench/vm_sg_dd.sh (busybox sh): tamarack-cli capture against sg_dd with
# 16 blocks per command and against the bare loop of the same reads and writes, tamarack-cli
# measure against sg_dd with the measurement's blocks per command and against the bare loop of
# the same reads, then tamarack-cli check of the last capture against sg_dd with the check's 14
# blocks per command and against the bare loop of the same reads, file reads and comparisons
# (the three bare loops are /out/tamarack_bare_read_compare), over the same blocks of /dev/sr0,
# taking turns (the one to go first changing every round) so that a busy host slows them alike.
# /out/params gives BLOCKS, RUNS and MEASURE_BLOCKS. Each run adds the line
# "TOOL RUN MB/S WALL_SECONDS" to /out/results.txt (MB = 10^6 bytes; the MB/s by the tool's own
# clock, the wall seconds around the whole process); the tools' output goes to /out/TOOL.RUN.log.
D=/dev/sr0
. /out/params
: > /out/results.txt
# A round keeps up to three copies of the range in /tmp at once; tmpfs allows half the RAM.
mount -o remount,size=90% /tmp

now() { cut -d' ' -f1 /proc/uptime; }
record() { echo "$1 $2 $3 $(awk -v a="$4" -v b="$5" 'BEGIN { printf "%.2f", b - a }')" >> /out/results.txt; }

# sg_dd through SG_IO (blk_sgio=1; without it sg_dd reads the block device through the page
# cache) into OUT: a tmpfs file against the capture, which keeps what it reads, /dev/null
# against the measurement and the check, which do not. Its MB/s from its own transfer time.
sg_dd_run() {
  name=$1 bpt=$2 run=$3 of=$4
  t0=$(now)
  sg_dd if=$D of="$of" bs=2048 bpt="$bpt" count="$BLOCKS" blk_sgio=1 time=1 \
    > "/out/$name.$run.log" 2>&1 || { echo "sg_dd failed:"; cat "/out/$name.$run.log"; exit 1; }
  t1=$(now)
  secs=$(sed -n 's/.*time to transfer data[a-z ]*:* \([0-9.]*\) secs.*/\1/p' "/out/$name.$run.log")
  [ -n "$secs" ] || { echo "no time from sg_dd"; cat "/out/$name.$run.log"; exit 1; }
  record "$name" "$run" "$(awk -v s="$secs" -v b="$BLOCKS" 'BEGIN { printf "%.2f", b * 2048 / s / 1e6 }')" "$t0" "$t1"
}

last=$((BLOCKS - 1))

# tamarack-cli TOOL ARGS... with its output in /out/TOOL.RUN.log, and its MB/s from its LINE
# line ("read" or "checked": the bytes over the exact time of its reads; measure's summary
# counts a last partial second as a whole one). A failure status stops the bench, but for
# measure: a range read in under a second ends with "no second to measure" and a failure
# status, and its "read:" line is still the speed of every block read, which is all this bench
# asks.
cli_run() {
  tool=$1 line=$2 run=$3
  shift 3
  t0=$(now)
  rc=0
  tamarack-cli "$tool" "$@" > "/out/$tool.$run.log" 2>&1 || rc=$?
  t1=$(now)
  mbps=$(sed -n "s/^$line: .* s, \([0-9.]*\) MB\/s\$/\1/p" "/out/$tool.$run.log")
  if [ -z "$mbps" ] || { [ $rc -ne 0 ] && [ "$tool" != measure ]; }; then
    echo "$tool failed (status $rc):"
    cat "/out/$tool.$run.log"
    exit 1
  fi
  record "$tool" "$run" "$mbps" "$t0" "$t1"
}

capture_run() {
  rm -f /tmp/cap.dat
  cli_run capture read "$1" --drive $D --out /tmp/cap.dat --start 0 --end $last
}
measure_run() {
  cli_run measure read "$1" --drive $D --blocks "$MEASURE_BLOCKS" --start 0 --end $last
}
check_run() {
  cli_run check checked "$1" --drive $D --file /tmp/ref.dat --start 0 --end $last
}

# The bare loop (/out/tamarack_bare_read_compare): NAME RUN, then its arguments.
bare_run() {
  name=$1 run=$2
  shift 2
  t0=$(now)
  /out/tamarack_bare_read_compare "$@" > "/out/$name.$run.log" 2>&1 ||
    { echo "the bare loop failed:"; cat "/out/$name.$run.log"; exit 1; }
  t1=$(now)
  record "$name" "$run" "$(sed -n 's/^\([0-9.]*\) MB\/s.*/\1/p' "/out/$name.$run.log")" "$t0" "$t1"
}
bare_check_run() { bare_run bare_k "$1" $D /tmp/ref.dat "$BLOCKS"; }
bare_measure_run() { bare_run bare_m "$1" --measure "$MEASURE_BLOCKS" $D "$BLOCKS"; }
bare_capture_run() {
  rm -f /tmp/bare.dat
  bare_run bare_c "$1" --capture $D /tmp/bare.dat "$BLOCKS"
  rm -f /tmp/bare.dat
}

# Before the rounds, and not counted: the guest's RAM that the rounds' files will take is
# touched once (QEMU gives the guest a page only when it is first used), and the disc is read
# once, so that the first round does not pay for either.
dd if=/dev/zero of=/tmp/warm bs=1048576 count=$((BLOCKS * 2048 * 3 / 1048576)) 2> /dev/null
rm -f /tmp/warm
sg_dd if=$D of=/dev/null bs=2048 bpt=16 count="$BLOCKS" blk_sgio=1 > /dev/null 2>&1

# Whichever goes first in a round runs just after the files of the last round were freed; the
# order changes every round so that no tool always pays for that.
run=1
while [ $run -le "$RUNS" ]; do
  rm -f /tmp/sg_dd.dat
  case $((run % 3)) in
    1) capture_run "$run"; sg_dd_run sg_dd_c 16 "$run" /tmp/sg_dd.dat; bare_capture_run "$run" ;;
    2) sg_dd_run sg_dd_c 16 "$run" /tmp/sg_dd.dat; bare_capture_run "$run"; capture_run "$run" ;;
    0) bare_capture_run "$run"; capture_run "$run"; sg_dd_run sg_dd_c 16 "$run" /tmp/sg_dd.dat ;;
  esac
  # The first round also shows that both read the same bytes.
  if [ "$run" -eq 1 ]; then
    cmp /tmp/cap.dat /tmp/sg_dd.dat || { echo "capture and sg_dd read different bytes"; exit 1; }
  fi
  rm -f /tmp/sg_dd.dat
  # The last capture is the check's reference.
  if [ "$run" -eq "$RUNS" ]; then mv /tmp/cap.dat /tmp/ref.dat; else rm -f /tmp/cap.dat; fi

  case $((run % 3)) in
    1) measure_run "$run"; sg_dd_run sg_dd_m "$MEASURE_BLOCKS" "$run" /dev/null; bare_measure_run "$run" ;;
    2) sg_dd_run sg_dd_m "$MEASURE_BLOCKS" "$run" /dev/null; bare_measure_run "$run"; measure_run "$run" ;;
    0) bare_measure_run "$run"; measure_run "$run"; sg_dd_run sg_dd_m "$MEASURE_BLOCKS" "$run" /dev/null ;;
  esac
  run=$((run + 1))
done

run=1
while [ $run -le "$RUNS" ]; do
  case $((run % 3)) in
    1) check_run "$run"; sg_dd_run sg_dd_k 14 "$run" /dev/null; bare_check_run "$run" ;;
    2) sg_dd_run sg_dd_k 14 "$run" /dev/null; bare_check_run "$run"; check_run "$run" ;;
    0) bare_check_run "$run"; check_run "$run"; sg_dd_run sg_dd_k 14 "$run" /dev/null ;;
  esac
  run=$((run + 1))
done
exit 0
