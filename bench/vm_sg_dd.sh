#!/usr/bin/env bash
# tamarack-cli against sg_dd on a real SG_IO device: QEMU's ide-cd on AHCI, in one boot of the
# VM of tests/vm (run_vm.sh) with a data disc of MB megabytes of random bytes. Inside
# (bench/vm_sg_dd_guest.sh), taking turns RUNS times over the same blocks, the one to go first
# changing every round:
#   capture                   against sg_dd bs=2048 bpt=16 into a tmpfs file (the capture keeps
#                             its data there too; the first round compares the two files), and
#                             against tamarack_bare_read_compare --capture (the same reads and
#                             writes, nothing else: what the capture's own work costs)
#   measure --blocks N        against sg_dd bs=2048 bpt=N of=/dev/null (measure keeps nothing),
#                             and against tamarack_bare_read_compare --measure N (the same
#                             reads, nothing else)
#   check of the last capture against sg_dd bs=2048 bpt=14 of=/dev/null (the check's reads; its
#                             file is in tmpfs, so the comparison costs CPU, not I/O), and
#                             against tamarack_bare_read_compare (bench/bare_read_compare.cc:
#                             the same reads, file reads and comparisons, nothing else)
# Prints each tool's MB/s (10^6 bytes) per run by its own clock, the median and the ratio of the
# medians, the median of the ratios within each round (the tools of a round run one after the
# other, so a host that slows down for a while slows them alike), then the same by wall time
# around each process. QEMU runs without KVM here, so the numbers are of QEMU's emulated drive
# and say nothing of real drives' speeds.
# Usage: bench/vm_sg_dd.sh [MB] [RUNS] [N] [BUILD_DIR]   (defaults: 300, 15, 10, build/release)
set -euo pipefail
mb="${1:-300}"
runs="${2:-15}"
n="${3:-10}"
build="${4:-build/release}"
cd "$(dirname "$0")/.."
cli="$build/src/cli/tamarack-cli"
bare="$build/bench/tamarack_bare_read_compare"
for f in "$cli" "$bare"; do
  [[ -x "$f" ]] || { echo "build $f first (cmake --build $build)" >&2; exit 1; }
done
for p in qemu-system-x86_64 busybox sg_dd cpio modprobe; do
  command -v "$p" >/dev/null || { echo "$p missing: ./scripts/install-deps.sh vm" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out"
cp "$bare" "$work/out/"
head -c "$((mb * 1024 * 1024))" /dev/urandom > "$work/disc.iso"
# Written back before the VM starts: the host's write-back of the image would slow the first
# rounds.
sync "$work/disc.iso"
blocks=$((mb * 512))
printf 'BLOCKS=%d\nRUNS=%d\nMEASURE_BLOCKS=%d\n' "$blocks" "$runs" "$n" > "$work/out/params"
# Room for the initrd and three captures in the guest's tmpfs at once.
memory=$((mb * 3 + 512))
rc=0
tests/vm/run_vm.sh --guest bench/vm_sg_dd_guest.sh --memory "$memory" ahci "$work/disc.iso" \
  "$work/out" "$cli" 3600 || rc=$?
if [[ $rc -ne 0 ]]; then
  echo "the VM run failed (status $rc); guest log:" >&2
  cat "$work/out/guest.log" >&2 2>/dev/null || true
  exit 1
fi

echo "$mb MB ($blocks blocks of 2048 bytes), $runs runs each, one VM boot (ahci, no KVM)"
awk -v n="$n" -v runs="$runs" '
  function median(list,   a, k, i, j, t) {
    k = split(list, a, " ")
    for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
    return k % 2 ? a[(k + 1) / 2] : (a[k / 2] + a[k / 2 + 1]) / 2
  }
  # The median of the ratios a/b within each round, by speed or by wall time (as a rate, so
  # that above 1 is faster either way).
  function paired(kind, a, b,   r, list) {
    list = ""
    for (r = 1; r <= runs; r++) if ((kind, a, r) in rate && (kind, b, r) in rate) list = list " " rate[kind, a, r] / rate[kind, b, r]
    return median(list)
  }
  { speed[$1] = speed[$1] " " $3; wall[$1] = wall[$1] " " $4; rate["speed", $1, $2] = $3; rate["wall", $1, $2] = 1 / $4 }
  END {
    label["capture"] = "capture"
    label["sg_dd_c"] = "sg_dd bpt=16 (tmpfs)"
    label["bare_c"] = "bare read+write loop"
    label["measure"] = "measure --blocks " n
    label["sg_dd_m"] = "sg_dd bpt=" n " (/dev/null)"
    label["bare_m"] = "bare read loop"
    label["check"] = "check"
    label["sg_dd_k"] = "sg_dd bpt=14 (/dev/null)"
    label["bare_k"] = "bare read+compare loop"
    printf "%-24s %-44s %8s\n", "tool", "MB/s per run (own clock)", "median"
    split("capture sg_dd_c bare_c measure sg_dd_m bare_m check sg_dd_k bare_k", order, " ")
    for (i = 1; i <= 9; i++) {
      t = order[i]
      m[t] = median(speed[t]); w[t] = median(wall[t])
      printf "%-24s %-44s %8.2f\n", label[t], speed[t], m[t]
    }
    printf "ratio of the medians (median of the ratios in each round):\n"
    printf "capture / sg_dd:  %.3f (%.3f) (aim: at least 0.97)\n", m["capture"] / m["sg_dd_c"], paired("speed", "capture", "sg_dd_c")
    printf "capture / bare:   %.3f (%.3f) (the same reads and writes, bare; bare / sg_dd %.3f (%.3f))\n", m["capture"] / m["bare_c"], paired("speed", "capture", "bare_c"), m["bare_c"] / m["sg_dd_c"], paired("speed", "bare_c", "sg_dd_c")
    printf "measure / sg_dd:  %.3f (%.3f)\n", m["measure"] / m["sg_dd_m"], paired("speed", "measure", "sg_dd_m")
    printf "measure / bare:   %.3f (%.3f) (the same reads, bare; bare / sg_dd %.3f (%.3f))\n", m["measure"] / m["bare_m"], paired("speed", "measure", "bare_m"), m["bare_m"] / m["sg_dd_m"], paired("speed", "bare_m", "sg_dd_m")
    printf "check / sg_dd:    %.3f (%.3f) (sg_dd only reads; the check also reads its file and compares)\n", m["check"] / m["sg_dd_k"], paired("speed", "check", "sg_dd_k")
    printf "check / bare:     %.3f (%.3f) (the same reads, file reads and comparisons, bare)\n", m["check"] / m["bare_k"], paired("speed", "check", "bare_k")
    printf "by wall time around each process (start-up included), median seconds:\n"
    for (i = 1; i <= 9; i++) printf "  %-24s %s -> %.2f\n", label[order[i]], wall[order[i]], w[order[i]]
    printf "  ratios of the medians (medians of the ratios in each round):\n"
    printf "  capture / sg_dd %.3f (%.3f), capture / bare %.3f (%.3f), measure / sg_dd %.3f (%.3f),\n", w["sg_dd_c"] / w["capture"], paired("wall", "capture", "sg_dd_c"), w["bare_c"] / w["capture"], paired("wall", "capture", "bare_c"), w["sg_dd_m"] / w["measure"], paired("wall", "measure", "sg_dd_m")
    printf "  measure / bare %.3f (%.3f),\n", w["bare_m"] / w["measure"], paired("wall", "measure", "bare_m")
    printf "  check / sg_dd %.3f (%.3f), check / bare %.3f (%.3f)\n", w["sg_dd_k"] / w["check"], paired("wall", "check", "sg_dd_k"), w["bare_k"] / w["check"], paired("wall", "check", "bare_k")
  }' "$work/out/results.txt"
grep -h "^x[0-9]" "$work"/out/measure.*.log | sed 's/^/measure summary: /'
