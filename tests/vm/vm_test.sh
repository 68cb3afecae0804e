#!/usr/bin/env bash
# The CTest of one bus (label `vm`): boots the VM once (run_vm.sh), then checks on the host what
# tamarack-cli did in it (check_vm.py). Skipped (status 77) when QEMU, a kernel, busybox or
# sg3-utils is missing: `./scripts/test.sh vm` installs them.
# Usage: vm_test.sh BUS TAMARACK_CLI WORKDIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bus=$1 cli=$2 work=$3
for p in qemu-system-x86_64 busybox sg_raw sg_inq cpio modprobe python3; do
  command -v "$p" >/dev/null || { echo "vm_test.sh: $p missing; skipped" >&2; exit 77; }
done
ls /boot/vmlinuz-* >/dev/null 2>&1 || { echo "vm_test.sh: no kernel; skipped" >&2; exit 77; }
rm -rf "$work"
mkdir -p "$work/out"
# A data disc of 600 blocks, each holding its own number, so that any block read is known.
python3 -c '
import sys
with open(sys.argv[1], "wb") as f:
    for b in range(600):
        f.write(b.to_bytes(4, "big") * 512)
' "$work/disc.iso"
"$here/run_vm.sh" "$bus" "$work/disc.iso" "$work/out" "$cli"
python3 "$here/check_vm.py" "$bus" "$work/out" "$cli"
