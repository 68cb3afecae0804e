#!/usr/bin/env bash
# A served virtual drive against the file behind it: in one boot of the VM of tests/vm, an image
# of MB megabytes in the guest's tmpfs is served by `tamarack-cli serve` (speed=max), then RUNS
# times, taking turns: `dd` of the whole /dev/srN (the kernel's sr driver, TCMU and our handler)
# and `cp` of the image to /dev/null, the page cache dropped before each, and `dd` of the image
# file (what dd costs by itself). Prints each one's MB/s (10^6 bytes) per run, the medians and
# the ratios. QEMU runs without KVM here: the ratios say where the time goes, not what a real
# machine reaches.
# Usage: bench/vm_serve_dd.sh [MB] [RUNS] [BUILD_DIR]   (defaults: 650, 3, build/release)
set -euo pipefail
mb="${1:-650}"
runs="${2:-3}"
build="${3:-build/release}"
cd "$(dirname "$0")/.."
cli="$build/src/cli/tamarack-cli"
[[ -x "$cli" ]] || { echo "build $cli first (cmake --build $build --target tamarack-cli)" >&2; exit 1; }
for p in qemu-system-x86_64 busybox cpio modprobe; do
  command -v "$p" >/dev/null || { echo "$p missing: ./scripts/install-deps.sh vm" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out"
head -c 1048576 /dev/zero > "$work/boot.iso"
printf 'MB=%d\nRUNS=%d\n' "$mb" "$runs" > "$work/out/params"
rc=0
tests/vm/run_vm.sh --guest bench/vm_serve_dd_guest.sh --memory "$((mb + 768))" scsi \
  "$work/boot.iso" "$work/out" "$cli" 3600 || rc=$?
if [[ $rc -ne 0 ]]; then
  echo "the VM run failed (status $rc); guest log:" >&2
  cat "$work/out/guest.log" >&2 2>/dev/null || true
  exit 1
fi
echo "$mb MB image, $runs runs each, one VM boot (no KVM)"
awk '
  function median(list,   a, k, i, j, t) {
    k = split(list, a, " ")
    for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
    return k % 2 ? a[(k + 1) / 2] : (a[k / 2] + a[k / 2 + 1]) / 2
  }
  { speed[$1] = speed[$1] " " $3 }
  END {
    printf "%-28s %-36s %8s\n", "tool", "MB/s per run", "median"
    label["dd"] = "dd of the served /dev/srN"; label["cp"] = "cp of the image"
    label["ddfile"] = "dd of the image file"
    split("dd cp ddfile", order, " ")
    for (i = 1; i <= 3; i++) { t = order[i]; m[t] = median(speed[t]); printf "%-28s %-36s %8.2f\n", label[t], speed[t], m[t] }
    printf "dd / cp: %.3f (aim: at least 0.5); dd of the device / dd of the file: %.3f\n", m["dd"] / m["cp"], m["dd"] / m["ddfile"]
  }' "$work/out/results.txt"
if [[ -s "$work/out/profile.txt" ]]; then
  echo "where the serving process spent its time (from /proc, over the last dd):"
  cat "$work/out/profile.txt"
fi
