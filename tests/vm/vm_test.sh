#!/usr/bin/env bash
# The CTest of one bus (label `vm`): boots the VM once (run_vm.sh), then checks on the host what
# tamarack-cli did in it (check_vm.py). Skipped (status 77) when QEMU, a kernel, busybox or
# sg3-utils is missing: `./scripts/test.sh vm` installs them.
# With BUS `serve`, the VM serves virtual drives to its kernel instead (guest_serve.sh,
# check_serve.py); that also needs xorriso (the image) and cd-info. With BUS `iscsi` it serves
# them as the LUNs of an iSCSI target that the guest's open-iscsi logs in to (guest_iscsi.sh,
# check_iscsi.py); that also needs iscsiadm and iscsid.
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
if [ "$bus" = serve ] || [ "$bus" = iscsi ]; then
  tools="xorriso cd-info"
  [ "$bus" = iscsi ] && tools="$tools iscsiadm iscsid"
  for p in $tools; do
    command -v "$p" >/dev/null || { echo "vm_test.sh: $p missing; skipped" >&2; exit 77; }
  done
  # An ISO 9660 image of a few files, one of them 1 MB of known bytes, so that it is long
  # enough for the unreadable block at 300.
  root="$work/out/iso-root"
  mkdir -p "$root/docs"
  python3 -c '
import sys
with open(sys.argv[1], "wb") as f:
    for b in range(512):
        f.write(b.to_bytes(4, "big") * 512)
' "$root/blocks.bin"
  echo "A file on a served disc." > "$root/docs/readme.txt"
  xorriso -as mkisofs -quiet -V SERVED -o "$work/out/disc.iso" "$root"
  img=/out/disc.iso
  if [ "$bus" = iscsi ]; then
    printf 'image emu:%s?speed=max\naudio emu:audio?speed=max\n' "$img" > "$work/out/serve_ids"
    "$here/run_vm.sh" --guest "$here/guest_iscsi.sh" --memory 768 --iscsi scsi \
      "$work/out/disc.iso" "$work/out" "$cli" 600
    python3 "$here/check_iscsi.py" "$work/out"
    exit
  fi
  cat > "$work/out/serve_ids" <<IDS
type13 emu:type13?speed=max
type30 emu:type30?speed=max
audio emu:audio?speed=max
multisession emu:multisession?speed=max
image emu:$img?speed=max
bad emu:$img?speed=max&bad=300
slow emu:$img?speed=max&slow=bb
IDS
  "$here/run_vm.sh" --guest "$here/guest_serve.sh" --memory 768 scsi "$work/out/disc.iso" \
    "$work/out" "$cli" 900
  python3 "$here/check_serve.py" "$work/out"
  exit
fi
# A data disc of 600 blocks, each holding its own number, so that any block read is known.
python3 -c '
import sys
with open(sys.argv[1], "wb") as f:
    for b in range(600):
        f.write(b.to_bytes(4, "big") * 512)
' "$work/disc.iso"
"$here/run_vm.sh" "$bus" "$work/disc.iso" "$work/out" "$cli"
python3 "$here/check_vm.py" "$bus" "$work/out" "$cli"
