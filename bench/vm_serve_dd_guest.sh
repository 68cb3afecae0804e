#!/bin/sh
# Runs inside the VM of bench/vm_serve_dd.sh (busybox sh). /out/params gives MB and RUNS. Each run
# adds "TOOL RUN MB/S" to /out/results.txt; the serving process's CPU times over the last dd go
# to /out/profile.txt.
. /out/params
: > /out/results.txt
mount -o remount,size=90% /tmp
head -c "$((MB * 1000000 / 2048 * 2048))" /dev/urandom > /tmp/big.iso
bytes=$(wc -c < /tmp/big.iso)
: > /out/serve.out
tamarack-cli serve --drive "emu:/tmp/big.iso?speed=max" >> /out/serve.out 2> /out/serve.err &
server=$!
i=0
while ! grep -q '^served ' /out/serve.out && [ $i -lt 240 ]; do sleep 0.5; i=$((i + 1)); done
sr=$(awk '$1 == "served" {print $4}' /out/serve.out)
[ -n "$sr" ] || { echo "not served:"; cat /out/serve.out /out/serve.err; exit 1; }

now() { cut -d' ' -f1 /proc/uptime; }
ticks() { awk '{print $14 + $15}' /proc/$server/stat; }
record() { awk -v n="$1" -v r="$2" -v b="$bytes" -v a="$3" -v e="$4" \
  'BEGIN { printf "%s %s %.2f\n", n, r, b / (e - a) / 1e6 }' >> /out/results.txt; }

# The first pass after boot is slower under QEMU's emulation; it is not counted.
dd if="$sr" of=/dev/null bs=65536 2> /dev/null
run=1
while [ $run -le "$RUNS" ]; do
  echo 3 > /proc/sys/vm/drop_caches
  t0=$(now); c0=$(ticks)
  dd if="$sr" of=/dev/null bs=65536 2> /out/dd.$run.log || { echo "dd failed"; cat /out/dd.$run.log; exit 1; }
  t1=$(now); c1=$(ticks)
  record dd $run "$t0" "$t1"
  echo 3 > /proc/sys/vm/drop_caches
  t2=$(now)
  cp /tmp/big.iso /dev/null
  t3=$(now)
  record cp $run "$t2" "$t3"
  # The same dd of the image file itself: what dd and the guest's page copies cost alone.
  t4=$(now)
  dd if=/tmp/big.iso of=/dev/null bs=65536 2> /dev/null
  t5=$(now)
  record ddfile $run "$t4" "$t5"
  run=$((run + 1))
done
awk -v c="$((c1 - c0))" -v a="$t0" -v b="$t1" 'BEGIN {
  printf "  serving process: %.2f s of CPU (user+system) in %.2f s of the last dd\n", c / 100, b - a }' \
  > /out/profile.txt
kill -INT $server
wait $server
exit 0
