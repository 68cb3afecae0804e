"""Checks the results of guest_iscsi.sh on the host.

The drives served over iSCSI on 127.0.0.1 were read by the guest's own initiator: sg_inq,
cd-info, dd and tamarack-cli through the /dev/srN of each LUN must give what the virtual drive
gives directly. Then the refused logins, the secret file, the dead run's target removed by the
next run, and the target configuration after stopping.
Usage: check_iscsi.py OUTDIR
"""
import hashlib
import os
import re
import sys

from guest_results import GuestResults

out = sys.argv[1]
results = GuestResults(out)
failures = results.failures
fail, read, status, expect_status = (results.fail, results.read, results.status,
                                     results.expect_status)


target = "iqn.2026-12.test.bench:lab"
roles = [line.split(None, 1) for line in read("serve_ids").splitlines() if line.strip()]

# A secret file others can read is refused, and nothing is served.
expect_status("open_secret", 15)
if "can be read or written by others than its owner (mode 0644)" not in read("open_secret.err"):
    fail("open_secret: no word of the file's mode\n" + read("open_secret.err"))

# The run killed with SIGKILL left its target; the next run removed it first, and its own.
if target not in read("configfs_killed.txt"):
    fail("the killed run left no target to clean up:\n" + read("configfs_killed.txt"))
if not re.search(r"removed the entries of an earlier run \(process \d+\)", read("cleaner.err")):
    fail("cleaner: the killed run's entries were not removed:\n" + read("cleaner.err"))
expect_status("cleaner", 0)
if target in read("configfs_cleaned.txt") or "stopped, nothing left behind" not in read(
        "cleaner.out"):
    fail("cleaner: a target is left:\n" + read("configfs_cleaned.txt") + read("cleaner.err"))

# The secret: made, shown once, saved for its owner only.
out_text = read("serve.out")
m = re.search(r"^made a CHAP secret and saved it in /root/secret \(only its owner can read it\); "
              r"shown this once: (\S+)$", out_text, re.M)
if not m or not re.fullmatch(r"[A-Za-z0-9]{16}", m.group(1)):
    fail("serve: no secret of 16 letters and digits shown:\n" + out_text)
elif read("secret_file.txt") != m.group(1) + "\n" or read("secret_mode.txt").strip() != "600":
    fail(f"serve: the secret file holds {read('secret_file.txt')!r}, mode "
         f"{read('secret_mode.txt').strip()}")
for n, (_, drive) in enumerate(roles):
    if f"served {drive} as LUN {n} of {target}" not in out_text:
        fail(f"serve: {drive} was not served as LUN {n}\n{out_text}{read('serve.err')}")
if "listening on 127.0.0.1:3260 for iqn.2026-12.test.bench:allowed" not in out_text:
    fail("serve: no word of the portal and the initiator allowed\n" + out_text)
expect_status("serve", 0)
if "stopped, nothing left behind" not in out_text:
    fail("serve: did not stop cleanly\n" + out_text + read("serve.err"))
if read("configfs_after.txt") != read("configfs_before.txt"):
    fail("serve: the target configuration differs after stopping:\n" + read("configfs_after.txt"))

# Logins: the right secret from the allowed initiator only.
expect_status("discovery", 0)
if target not in read("discovery.out"):
    fail("discovery: the target is not listed\n" + read("discovery.out"))
for refused in ("login_wrong", "login_intruder"):
    expect_status(refused, None)
    if "iSCSI login failed due to authorization failure" not in read(refused + ".err"):
        fail(f"{refused}: not refused by the target\n{read(refused + '.err')}")
expect_status("login", 0)
expect_status("logout", 0)

# Each LUN through the kernel against the virtual drive directly.
luns = dict(line.split() for line in read("luns.txt").splitlines() if line.strip())
if len(luns) != len(roles):
    fail(f"the kernel attached {len(luns)} devices for {len(roles)} LUNs:\n{read('luns.txt')}")
for sr in luns.values():
    if not re.search(rf"^{re.escape(sr)}\s", read("drives.out"), re.M):
        fail(f"drives: {sr} is not listed\n{read('drives.out')}")
for n, (role, drive) in enumerate(roles):
    sr = luns.get(str(n))
    if not sr:
        continue
    expect_status(f"l{n}.sg_inq", 0)
    if not re.search(r"Peripheral device type: cd/dvd", read(f"l{n}.sg_inq.out")):
        fail(f"l{n} ({role}): sg_inq sees no CD/DVD device\n{read(f'l{n}.sg_inq.out')}")
    for what in ("inquiry", "toc0", "toc_full"):
        k, direct = f"l{n}.kernel.{what}", f"l{n}.direct.{what}"
        kernel_text = read(k + ".out").replace(sr, drive)
        if status(k) != 0 or status(direct) != 0 or kernel_text != read(direct + ".out"):
            fail(f"l{n} ({role}) {what}: through {sr} exit {status(k)}, directly {status(direct)}\n"
                 f"--- through the kernel:\n{kernel_text[:3000]}{read(k + '.err')[:500]}"
                 f"--- directly:\n{read(direct + '.out')[:3000]}{read(direct + '.err')[:500]}")
    # cd-info's track starts (through the kernel's ioctls) against the drive's own TOC.
    expect_status(f"l{n}.cd_info", 0)
    cd_info = [(int(a), int(b)) for a, b in
               re.findall(r"^\s*(\d+): \d\d:\d\d:\d\d\s+(\d+) \w+", read(f"l{n}.cd_info.out"), re.M)]
    toc = [(int(t, 16), int(lba)) for t, lba in
           re.findall(r"^[0-9a-f]{2}h \| [0-9a-f]{2}h \| ([0-9a-f]{2})h \| (\d+)\(",
                      read(f"l{n}.direct.toc0.out"), re.M)]
    if not cd_info or cd_info != toc:
        fail(f"l{n} ({role}): cd-info's tracks {cd_info}, tamarack-cli toc {toc}\n"
             f"{read(f'l{n}.cd_info.out')[:3000]}")

# The image: whole through the block layer, and captured through the kernel and directly.
image = read("disc.iso", "rb")
expect_status("image_dd", 0)
if read("image_copy.iso", "rb") != image:
    fail("image_dd: the copy read over iSCSI differs from the image")
expect_status("capture_kernel", 0)
expect_status("capture_direct", 0)
sums = dict((os.path.basename(p), s) for s, p in
            (line.split() for line in read("md5.txt").splitlines() if len(line.split()) == 2))
want = hashlib.md5(image).hexdigest()
if sums.get("kernel.dat") != want or sums.get("direct.dat") != want:
    fail(f"capture: md5 over iSCSI {sums.get('kernel.dat')}, directly {sums.get('direct.dat')}, "
         f"image {want}")

print(f"iscsi: {len(failures)} failure(s)")
sys.exit(1 if failures else 0)
