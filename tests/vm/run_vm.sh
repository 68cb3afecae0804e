#!/usr/bin/env bash
# Boots a small Linux VM with QEMU's emulated drives on one bus and runs guest_checks.sh in it:
#   ahci: Q35, two ide-cd drives on AHCI (the kernel's libata path)
#   scsi: two scsi-cd drives on virtio-scsi (the kernel's SCSI path)
# The first drive holds IMAGE, the second is empty. tamarack-cli (with the shared libraries it
# needs) runs as root in the guest from /opt/tamarack/bin, whatever its path on the host (the
# guest's /tmp is a tmpfs that would hide a build under /tmp); the results land in OUTDIR
# through a 9p share.
# --guest runs another guest script instead (the benchmarks' own), --memory gives the VM more
# than 512 MB (a benchmark keeps whole captures in the guest's RAM), --iscsi adds the kernel's
# iSCSI target and initiator and open-iscsi's iscsiadm and iscsid.
# Usage: run_vm.sh [--guest SCRIPT] [--memory MB] [--iscsi] BUS IMAGE OUTDIR TAMARACK_CLI
#                  [TIMEOUT_SECONDS]
# Exit status: the guest script's, 124 on time-out, 125 when the VM reported nothing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
guest="$here/guest_checks.sh"
memory=512
iscsi=""
while [ $# -gt 0 ]; do
  case "$1" in
    --guest) guest=$2; shift 2 ;;
    --memory) memory=$2; shift 2 ;;
    --iscsi) iscsi=1; shift ;;
    *) break ;;
  esac
done
[ $# -ge 4 ] || { echo "usage: run_vm.sh [--guest SCRIPT] [--memory MB] [--iscsi] BUS IMAGE OUTDIR TAMARACK_CLI [TIMEOUT]" >&2; exit 125; }
[ -r "$guest" ] || { echo "run_vm.sh: cannot read $guest" >&2; exit 125; }
bus=$1 image=$2 out=$3 cli=$4 timeout=${5:-300}

kernel="$(ls -1 /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1 || true)"
[ -n "$kernel" ] || { echo "run_vm.sh: no /boot/vmlinuz-*" >&2; exit 125; }
kver="${kernel#/boot/vmlinuz-}"

work="$(mktemp -d)"
qpid=""
cleanup() {
  if [ -n "$qpid" ]; then kill "$qpid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Copies the ELF file $1 to root $2 at the guest path $3 (default: the same path), with the
# libraries ldd names: the system's at their own paths, any other (a build tree's, maybe under
# /tmp) in /opt/tamarack/lib, which the guest's loader searches (guest_init.sh).
copy_with_libs() {
  local f=$1 root=$2 to=${3:-$1} lib
  mkdir -p "$root$(dirname "$to")"
  cp -L "$f" "$root$to"
  ldd "$f" 2>/dev/null | awk '/=> \//{print $3} /^[[:space:]]*\/[^ ]+ \(0x/{print $1}' |
    while read -r lib; do
      case "$lib" in
        /lib/* | /lib64/* | /usr/lib/* | /usr/lib64/*) to=$lib ;;
        *) to=/opt/tamarack/lib/$(basename "$lib") ;;
      esac
      [ -e "$root$to" ] && continue
      mkdir -p "$root$(dirname "$to")"
      cp -L "$lib" "$root$to"
    done
}

root="$work/root"
mkdir -p "$root"/{bin,sbin,proc,sys,dev,tmp,etc,payload}
cp "$(command -v busybox)" "$root/bin/busybox"
for a in $("$root/bin/busybox" --list); do
  [ -e "$root/bin/$a" ] || ln -s busybox "$root/bin/$a"
done
for p in sg_raw sg_inq sg_dd sg_turs sg_start; do copy_with_libs "$(command -v $p)" "$root"; done
# cd-info reads a served drive the way players and rippers do (through the kernel's ioctls).
if command -v cd-info >/dev/null; then copy_with_libs "$(command -v cd-info)" "$root"; fi
copy_with_libs "$(readlink -f "$cli")" "$root" /opt/tamarack/bin/tamarack-cli
ln -s /opt/tamarack/bin/tamarack-cli "$root/payload/tamarack-cli"
# The drivers of both buses and of the share, ISO 9660, and the kernel's SCSI target with its
# user-space backstore and loopback fabric (for served drives), each after what it depends on.
# The iSCSI target and initiator need a crc32c (every login fails without one).
modules="cdrom sr_mod sg ahci virtio_pci virtio_scsi 9pnet_virtio 9p isofs
         configfs target_core_mod uio target_core_user tcm_loop"
if [ -n "$iscsi" ]; then
  modules="$modules crc32c_generic iscsi_target_mod iscsi_tcp"
  for p in iscsiadm iscsid; do copy_with_libs "$(command -v $p)" "$root"; done
fi
: > "$root/etc/modules.order"
for m in $modules; do
  modprobe -S "$kver" --show-depends "$m" 2>/dev/null | awk '$1=="insmod"{print $2}' |
    while read -r k; do
      grep -qxF "$k" "$root/etc/modules.order" && continue
      mkdir -p "$root$(dirname "$k")"
      cp "$k" "$root$k"
      echo "$k" >> "$root/etc/modules.order"
    done
done
cp "$here/guest_init.sh" "$root/init"
cp "$guest" "$root/payload/guest.sh"
chmod 755 "$root/init"
(cd "$root" && find . -mindepth 1 | LC_ALL=C sort | cpio --quiet -o -H newc -R 0:0) \
  > "$work/initrd.cpio"

image="$(readlink -f "$image")"
mkdir -p "$out"
out="$(readlink -f "$out")"
disc="if=none,id=cd0,media=cdrom,readonly=on,format=raw,file=$image"
empty="if=none,id=cd1,media=cdrom"
case "$bus" in
  ahci)
    machine=q35
    drives=(-drive "$disc" -device ide-cd,drive=cd0,bus=ide.0
            -drive "$empty" -device ide-cd,drive=cd1,bus=ide.1)
    ;;
  scsi)
    machine=pc
    drives=(-device virtio-scsi-pci,id=scsi0
            -drive "$disc" -device scsi-cd,drive=cd0,bus=scsi0.0,scsi-id=0,lun=0
            -drive "$empty" -device scsi-cd,drive=cd1,bus=scsi0.0,scsi-id=1,lun=0)
    ;;
  *)
    echo "run_vm.sh: unknown bus $bus (ahci or scsi)" >&2
    exit 125
    ;;
esac

# No KVM: the machines this runs on offer none that a stock kernel can use, and QEMU's own
# CPU emulation boots this in a few seconds.
qemu-system-x86_64 -nodefaults -no-user-config -display none -no-reboot \
  -machine "$machine" -accel tcg -m "$memory" \
  -kernel "$kernel" -initrd "$work/initrd.cpio" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1" \
  -chardev "file,id=con,path=$work/console" -serial chardev:con \
  -fsdev "local,id=results,path=$out,security_model=none" \
  -device virtio-9p-pci,fsdev=results,mount_tag=results \
  "${drives[@]}" < /dev/null > "$work/qemu.log" 2>&1 &
qpid=$!
waited=0
while kill -0 "$qpid" 2>/dev/null; do
  sleep 1
  waited=$((waited + 1))
  if [ "$waited" -ge "$timeout" ]; then
    echo "run_vm.sh: the VM did not finish within $timeout s; console:" >&2
    tail -n 20 "$work/console" >&2
    exit 124
  fi
done
wait "$qpid" || true
qpid=""
rc="$(tr -d '\r' < "$work/console" | sed -n 's/.*@@VM-EXIT rc=\([0-9]*\).*/\1/p' | tail -n 1)"
if [ -z "$rc" ]; then
  echo "run_vm.sh: the VM reported no exit status; console and QEMU:" >&2
  tail -n 30 "$work/console" "$work/qemu.log" >&2
  exit 125
fi
exit "$rc"
