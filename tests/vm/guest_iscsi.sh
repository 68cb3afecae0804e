#!/bin/sh
# Runs inside the VM: `tamarack-cli serve --iscsi` makes virtual drives the LUNs of an iSCSI
# target on 127.0.0.1, and the guest's own open-iscsi logs in to it as another machine would.
# /out/serve_ids lists ROLE ID (LUN 0 the image, LUN 1 an audio disc). Every run leaves
# NAME.out, NAME.err and NAME.rc in /out; check_iscsi.py judges them on the host.
cd /out || exit 1
portal=127.0.0.1:3260
target=iqn.2026-12.test.bench:lab
allowed=iqn.2026-12.test.bench:allowed
intruder=iqn.2026-12.test.bench:intruder

run() {
  name=$1
  shift
  "$@" > "/out/$name.out" 2> "/out/$name.err"
  echo $? > "/out/$name.rc"
  echo "$(cut -d' ' -f1 /proc/uptime) $name" >> /out/times.txt
}

# Waits (up to 60 s) until file $1 holds $2 lines starting with $3, or process $4 ends.
wait_lines() {
  i=0
  while [ "$(grep -c "^$3" "$1")" -lt "$2" ] && [ $i -lt 240 ]; do
    kill -0 "$4" 2> /dev/null || break
    sleep 0.25
    i=$((i + 1))
  done
}

# The initiator: the loopback interface, a root user for iscsid, its folders and name.
ip link set lo up
echo 'root:x:0:0:root:/root:/bin/sh' > /etc/passwd
echo 'root:x:0:' > /etc/group
mkdir -p /etc/iscsi/nodes /etc/iscsi/send_targets /etc/iscsi/ifaces /var/lib/iscsi \
  /run/lock/iscsi /var/lock/iscsi /root
echo "InitiatorName=$allowed" > /etc/iscsi/initiatorname.iscsi
printf 'node.startup = manual\nnode.session.initial_login_retry_max = 1\n' > /etc/iscsi/iscsid.conf
iscsid
echo "$(cut -d' ' -f1 /proc/uptime) start" > /out/times.txt
run iface_new iscsiadm -m iface -I intruder -o new
run iface_name iscsiadm -m iface -I intruder -o update -n iface.initiatorname -v "$intruder"

set --
while read -r _ id; do set -- "$@" --drive "$id"; done < /out/serve_ids
count=$(grep -c . /out/serve_ids)
ls -R /sys/kernel/config/target > /out/configfs_before.txt 2>&1

# A secret file others may read is refused before anything is made.
echo 'abcdefghijklmnop' > /root/shared_secret
chmod 644 /root/shared_secret
run open_secret tamarack-cli serve "$@" --iscsi --portal $portal --iqn $target \
  --allow $allowed --chap-file /root/shared_secret

# The run under test: no secret file yet, so one is made and shown once.
: > /out/serve.out
: > /out/serve.err
tamarack-cli serve "$@" --iscsi --portal $portal --iqn $target --allow $allowed \
  --chap-file /root/secret >> /out/serve.out 2>> /out/serve.err &
server=$!
wait_lines /out/serve.out 1 listening $server
ls -R /sys/kernel/config/target > /out/configfs_serving.txt 2>&1
secret=$(sed -n 's/.*shown this once: //p' /out/serve.out)
stat -c %a /root/secret > /out/secret_mode.txt 2>&1
cat /root/secret > /out/secret_file.txt 2>&1

# One discovery for both ifaces: each discovery replaces the portal's records.
run discovery iscsiadm -m discovery -t sendtargets -p $portal -I default -I intruder
# node.session.auth.* of the record of one iface ($1) with user $2 and secret $3.
chap() {
  for kv in authmethod=CHAP "username=$2" "password=$3"; do
    iscsiadm -m node -T $target -p $portal -I "$1" -o update \
      -n "node.session.auth.${kv%%=*}" -v "${kv#*=}" || return 1
  done
}
# A wrong secret, and an initiator not allowed that knows the right one: both refused.
chap default $allowed "wrong-secret-0123"
run login_wrong iscsiadm -m node -T $target -p $portal -I default --login
chap intruder $allowed "$secret"
run login_intruder iscsiadm -m node -T $target -p $portal -I intruder --login
chap default $allowed "$secret"
run login iscsiadm -m node -T $target -p $portal -I default --login

# The devices the kernel attached for the session's LUNs, as "LUN /dev/srN".
i=0
while [ $i -lt 120 ]; do
  : > /out/luns.txt
  for d in /sys/class/iscsi_session/session*/device/target*/*:*:*:*; do
    [ -d "$d/block" ] || continue
    echo "${d##*:} /dev/$(ls "$d/block")" >> /out/luns.txt
  done
  [ "$(grep -c . /out/luns.txt)" -ge "$count" ] && break
  sleep 0.25
  i=$((i + 1))
done
run drives tamarack-cli drives

n=0
while read -r _ id; do
  sr=$(awk -v l=$n '$1 == l {print $2}' /out/luns.txt)
  echo "$id $sr" > "/out/l$n.names"
  if [ -n "$sr" ]; then
    run "l$n.sg_inq" sg_inq "$sr"
    run "l$n.cd_info" cd-info --no-header --no-device-info --no-disc-mode --cdrom-device="$sr"
    for via in kernel direct; do
      if [ $via = kernel ]; then d=$sr; else d=$id; fi
      run "l$n.$via.inquiry" tamarack-cli inquiry --drive "$d"
      run "l$n.$via.toc0" tamarack-cli toc --format 0 --drive "$d"
      run "l$n.$via.toc_full" tamarack-cli toc --full --drive "$d"
    done
  fi
  n=$((n + 1))
done < /out/serve_ids

# The image: whole through the block layer, and captured through the kernel and directly.
sr=$(awk '$1 == 0 {print $2}' /out/luns.txt)
image=$(awk '$1 == "image" {print $2}' /out/serve_ids)
if [ -n "$sr" ]; then
  run image_dd dd if="$sr" of=/out/image_copy.iso bs=2048
  run capture_kernel tamarack-cli capture --drive "$sr" --out /tmp/kernel.dat --yes
  run capture_direct tamarack-cli capture --drive "$image" --out /tmp/direct.dat --yes
  md5sum /tmp/kernel.dat /tmp/direct.dat /out/disc.iso > /out/md5.txt 2>&1
fi

run logout iscsiadm -m node -T $target -p $portal -I default --logout
kill -INT $server
wait $server
echo $? > /out/serve.rc
ls -R /sys/kernel/config/target > /out/configfs_after.txt 2>&1

# A run killed without its clean-up leaves its target behind; the next run removes it first.
: > /out/killed.out
tamarack-cli serve "$@" --iscsi --portal $portal --iqn $target --allow $allowed \
  --chap-file /root/secret > /out/killed.out 2> /out/killed.err &
killed=$!
wait_lines /out/killed.out 1 listening $killed
kill -KILL $killed
wait $killed
ls -R /sys/kernel/config/target/iscsi > /out/configfs_killed.txt 2>&1
: > /out/cleaner.out
tamarack-cli serve "$@" --iscsi --portal $portal --iqn $target --allow $allowed \
  --chap-file /root/secret > /out/cleaner.out 2> /out/cleaner.err &
cleaner=$!
wait_lines /out/cleaner.out 1 listening $cleaner
kill -INT $cleaner
wait $cleaner
echo $? > /out/cleaner.rc
ls -R /sys/kernel/config/target/iscsi > /out/configfs_cleaned.txt 2>&1
echo "$(cut -d' ' -f1 /proc/uptime) end" >> /out/times.txt
exit 0
