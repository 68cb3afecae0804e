"""Checks the results of guest_serve.sh on the host.

Each served drive was read through the kernel (/dev/srN: sg_inq, sg_turs, cd-info, dd and
tamarack-cli) and, for tamarack-cli, from the virtual drive directly in the same VM: the two
must agree. Then the image copy and the mounted files, the unreadable block, the command that
never ends, the eject, and that stopping left the kernel's target configuration as it was.
Usage: check_serve.py OUTDIR
"""
import os
import re
import sys

from guest_results import GuestResults

out = sys.argv[1]
results = GuestResults(out)
failures = results.failures
fail, read, status, expect_status = (results.fail, results.read, results.status,
                                     results.expect_status)


roles = [line.split(None, 1) for line in read("serve_ids").splitlines() if line.strip()]
served = {}
for line in read("serve.out").splitlines():
    m = re.fullmatch(r"served (\S+) as (/dev/sr\d+) (/dev/sg\d+)", line)
    if m:
        served[m.group(1)] = (m.group(2), m.group(3))
for role, drive in roles:
    if drive not in served:
        fail(f"serve: {drive} ({role}) was not served\n{read('serve.out')}{read('serve.err')}")
expect_status("serve", 0)
if read("configfs_after.txt") != read("configfs_before.txt"):
    fail("serve: the target configuration differs after stopping:\n" + read("configfs_after.txt"))


def tracks_of_cd_info(text):
    """(track, LSN, audio?) rows of cd-info's track list, the lead-out as track 170."""
    rows = []
    for m in re.finditer(r"^\s*(\d+): \d\d:\d\d:\d\d\s+(\d+) (\w+)", text, re.M):
        rows.append((int(m.group(1)), int(m.group(2)), m.group(3) == "audio"))
    return rows


def tracks_of_cli_toc(text):
    """(track, LBA) rows of `tamarack-cli toc --format 0`, the lead-out (AAh) as 170."""
    return [(int(m.group(1), 16), int(m.group(2)))
            for m in re.finditer(r"^[0-9a-f]{2}h \| [0-9a-f]{2}h \| ([0-9a-f]{2})h \| (\d+)\(",
                                 text, re.M)]


# Per drive: the kernel's tools and tamarack-cli through the kernel against the drive itself.
names = sorted((n for n in os.listdir(out) if re.fullmatch(r"d\d+\.names", n)),
               key=lambda n: int(n[1:-6]))
if len(names) != len(roles):
    fail(f"{len(names)} drives checked in the VM, {len(roles)} served")
for n in names:
    d = n[:-6]
    drive, sr, _ = read(n).split()
    role = next((r for r, i in roles if i == drive), "?")
    for tool in ("sg_inq", "sg_inq_sn", "sg_inq_di", "sg_turs", "cd_info"):
        expect_status(f"{d}.{tool}", 0)
    if "Unit serial number" not in read(f"{d}.sg_inq_sn.out"):
        fail(f"{d} ({role}): sg_inq shows no unit serial number\n{read(d + '.sg_inq_sn.out')}")
    outputs = sorted({f[len(d) + len(".kernel."):-len(".out")] for f in os.listdir(out)
                      if f.startswith(d + ".kernel.") and f.endswith(".out")})
    for what in outputs:
        k, direct = f"{d}.kernel.{what}", f"{d}.direct.{what}"
        kernel_text = read(k + ".out").replace(sr, drive)
        if status(k) != status(direct) or kernel_text != read(direct + ".out"):
            fail(f"{d} ({role}) {what}: through {sr} exit {status(k)}, directly {status(direct)}\n"
                 f"--- through the kernel:\n{kernel_text[:3000]}{read(k + '.err')[:500]}"
                 f"--- directly:\n{read(direct + '.out')[:3000]}{read(direct + '.err')[:500]}")
    # cd-info's track list (read through the kernel's ioctls) against the drive's own TOC.
    cd_info = tracks_of_cd_info(read(f"{d}.cd_info.out"))
    toc = tracks_of_cli_toc(read(f"{d}.direct.toc0.out"))
    if not cd_info or [(t, a) for t, a, _ in cd_info] != toc:
        fail(f"{d} ({role}): cd-info's tracks {cd_info}\n  tamarack-cli toc {toc}\n"
             f"{read(d + '.cd_info.out')[:3000]}")
    # The first 64 blocks through the block layer against Read(10) of the drive itself; a disc
    # that starts with audio cannot be read so, either way.
    dd, direct = read(f"{d}.dd.bin", "rb"), read(f"{d}.direct.bin", "rb")
    if cd_info and cd_info[0][2]:
        if status(f"{d}.dd") == 0 or direct:
            fail(f"{d} ({role}): audio read as blocks: dd exit {status(d + '.dd')}")
    elif status(f"{d}.dd") != 0 or len(dd) != 64 * 2048 or dd != direct:
        fail(f"{d} ({role}): dd exit {status(d + '.dd')}, {len(dd)} bytes; they "
             f"{'equal' if dd == direct else 'differ from'} Read(10)'s {len(direct)}\n"
             f"{read(d + '.dd.err')}")

# The image, whole and mounted.
expect_status("image_dd", 0)
if read("image_copy.iso", "rb") != read("disc.iso", "rb"):
    fail("image_dd: the copy read through the kernel differs from the image")
expect_status("image_mount", 0)
expect_status("image_files", 0)

# The unreadable block: dd fails there, the kernel saw a medium error.
expect_status("bad_dd", None)
dmesg = read("bad_dmesg.txt")
# The kernel counts 512-byte sectors: block 300 is its sector 1200.
if "Unrecovered read error" not in dmesg or not re.search(r"medium error, dev sr\d+, sector 1200 ", dmesg):
    fail("bad_dd: the kernel logged no medium error at block 300:\n" + dmesg[-3000:])

# The command that never ends fails on its time-out; the drive answers the next one.
expect_status("slow_cmd", None)
expect_status("slow_after", 0)

# Eject from the kernel's side, seen in the drive's media status (the kernel's sr driver takes
# the media event itself when tamarack-cli opens the device, so the event may read NoChg).
expect_status("eject", 0)
expect_status("eject_event", 0)
if "Door or Tray open: On" not in read("eject_event.out"):
    fail("eject_event: the tray is not open after the eject:\n" + read("eject_event.out"))

print(f"serve: {len(failures)} failure(s)")
sys.exit(1 if failures else 0)
