#!/bin/sh
# Runs inside the VM: `tamarack-cli serve` hands virtual drives to the kernel, then the kernel's
# own tools and tamarack-cli read them as /dev/srN. /out/serve_ids lists ROLE ID, one drive a
# line (written by vm_test.sh; /out/disc.iso and /out/iso-root are the image and its files).
# Every run leaves NAME.out, NAME.err and NAME.rc in /out; check_serve.py judges them on the host.
cd /out || exit 1

run() {
  name=$1
  shift
  "$@" > "/out/$name.out" 2> "/out/$name.err"
  echo $? > "/out/$name.rc"
}

# The /dev/srN the kernel gave the drive of role $1 (from serve's "served ID as SR SG" lines).
sr_of() {
  id=$(awk -v r="$1" '$1 == r {print $2}' /out/serve_ids)
  awk -v id="$id" '$1 == "served" && $2 == id {print $4}' /out/serve.out
}

set --
while read -r _ id; do set -- "$@" --drive "$id"; done < /out/serve_ids
count=$(grep -c . /out/serve_ids)
ls -R /sys/kernel/config/target > /out/configfs_before.txt 2>&1
# The files exist before the loop below reads them: the background job opens them in its own time.
: > /out/serve.out
: > /out/serve.err
tamarack-cli serve "$@" >> /out/serve.out 2>> /out/serve.err &
server=$!
i=0
while [ "$(grep -c '^served ' /out/serve.out)" -lt "$count" ] && [ $i -lt 240 ]; do
  kill -0 $server 2> /dev/null || break
  sleep 0.5
  i=$((i + 1))
done
ls -R /sys/kernel/config/target > /out/configfs_serving.txt 2>&1

# One set of checks per served drive, numbered in the order of serve_ids.
n=0
grep '^served ' /out/serve.out | while read -r _ id _ sr sg; do
  n=$((n + 1))
  echo "$id $sr $sg" > "/out/d$n.names"
  run "d$n.sg_inq" sg_inq "$sr"
  run "d$n.sg_inq_sn" sg_inq --page=0x80 "$sr"
  run "d$n.sg_inq_di" sg_inq --page=0x83 "$sr"
  run "d$n.sg_turs" sg_turs "$sr"
  run "d$n.cd_info" cd-info --no-header --no-device-info --no-disc-mode --cdrom-device="$sr"
  # The same decoded outputs through the kernel and from the virtual drive directly.
  for via in kernel direct; do
    if [ $via = kernel ]; then d=$sr; else d=$id; fi
    run "d$n.$via.inquiry" tamarack-cli inquiry --drive "$d"
    run "d$n.$via.toc_full" tamarack-cli toc --full --drive "$d"
    for f in 0 1 2 5; do run "d$n.$via.toc$f" tamarack-cli toc --format $f --drive "$d"; done
    run "d$n.$via.toc0_msf" tamarack-cli toc --format 0 --msf --drive "$d"
    run "d$n.$via.config" tamarack-cli config --drive "$d"
    run "d$n.$via.modesense" tamarack-cli modesense --page 3f --drive "$d"
    # (Not format 1: the current position is where the kernel's reads left the head.)
    run "d$n.$via.subchannel2" tamarack-cli subchannel --format 2 --drive "$d"
    run "d$n.$via.subchannel3" tamarack-cli subchannel --format 3 --track 1 --drive "$d"
    run "d$n.$via.dump_user" tamarack-cli dump --lba 16 --length 2 --drive "$d"
    run "d$n.$via.dump_raw" tamarack-cli dump --lba 0 --length 1 \
      --fields sync,header,subheader,user,edc,sub=q --drive "$d"
    run "d$n.$via.dump_c2" tamarack-cli dump --lba 100 --length 1 --fields user,c2,sub=pw --drive "$d"
  done
  # The first 64 blocks through the block layer against Read(10) of the drive itself.
  run "d$n.dd" dd if="$sr" of="/out/d$n.dd.bin" bs=2048 count=64
  tamarack-cli send --drive "$id" --cdb "28 00 00 00 00 00 00 00 40 00" --in 131072 --raw \
    > "/out/d$n.direct.bin" 2> /dev/null
done

# The image: read whole through the kernel, and mounted.
sr=$(sr_of image)
if [ -n "$sr" ]; then
  run image_dd dd if="$sr" of=/out/image_copy.iso bs=2048
  mkdir -p /mnt/served
  run image_mount mount -t iso9660 -o ro "$sr" /mnt/served
  run image_files diff -r /out/iso-root /mnt/served
  umount /mnt/served
fi
# A drive with an unreadable block: dd stops there and the kernel logs a medium error.
sr=$(sr_of bad)
if [ -n "$sr" ]; then
  dmesg -c > /dev/null
  run bad_dd dd if="$sr" of=/dev/null bs=2048 skip=280 count=40
  dmesg > /out/bad_dmesg.txt
fi
# A command that never ends: the kernel's error handler takes over; the drive answers after it.
sr=$(sr_of slow)
if [ -n "$sr" ]; then
  run slow_cmd sg_raw -t 5 "$sr" bb 00 ff ff ff ff 00 00 00 00 00 00
  run slow_after sg_turs "$sr"
fi
# Eject from the kernel's side, seen by tamarack-cli's event status.
sr=$(sr_of image)
if [ -n "$sr" ]; then
  run eject sg_start --eject "$sr"
  run eject_event tamarack-cli event --class media --drive "$sr"
fi

kill -INT $server
wait $server
echo $? > /out/serve.rc
ls -R /sys/kernel/config/target > /out/configfs_after.txt 2>&1
exit 0
