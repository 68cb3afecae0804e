#!/bin/sh
# /init of the test VM (busybox sh): loads the drivers of both buses (and the SCSI target's
# modules), mounts configfs, waits for the two
# drives (sr0 with a disc, sr1 empty), mounts the host's result folder on /out, runs
# /payload/guest.sh (guest_checks.sh unless run_vm.sh was given another) and powers off.
# The host reads the exit status from the console.
export PATH=/payload:/opt/tamarack/bin:/bin:/sbin:/usr/bin:/usr/sbin
# Where run_vm.sh puts the libraries of tamarack-cli that are not the system's.
export LD_LIBRARY_PATH=/opt/tamarack/lib
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
for m in $(cat /etc/modules.order); do insmod "$m" 2>/dev/null; done
# Where a normal system's init mounts it; the target's configuration lives there.
mount -t configfs configfs /sys/kernel/config 2>/dev/null
i=0
while { [ ! -e /dev/sr0 ] || [ ! -e /dev/sr1 ]; } && [ $i -lt 400 ]; do
  usleep 25000
  i=$((i + 1))
done
mkdir -p /out
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 results /out
cd /payload
sh ./guest.sh > /out/guest.log 2>&1
rc=$?
sync
umount /out
echo "<2>@@VM-EXIT rc=$rc" > /dev/kmsg
poweroff -f
