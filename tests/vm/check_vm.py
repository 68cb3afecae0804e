"""Checks the results of guest_checks.sh on the host.

Exit statuses of the runs, the CLI's raw replies against sg_raw's and sg_inq's, and every
trace replayed through the host's tamarack-cli ("emu:PATH.jsonl"): the same exit status and the
same output as in the VM. Usage: check_vm.py BUS OUTDIR TAMARACK_CLI
"""
import os
import subprocess
import sys

bus, out, cli = sys.argv[1], sys.argv[2], sys.argv[3]
failures = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text)


def read(name, mode="r"):
    with open(os.path.join(out, name), mode) as f:
        return f.read()


# Exit statuses (see tamarack-cli(1), EXIT STATUS): 0 good, 2 not ready, 5 illegal request, 9 invalid
# operation code.
expected = {
    "drives": 0, "inquiry": 0, "toc": 0, "toc_msf": 0, "config": 0, "modesense": 0,
    "capacity": 0, "event": 0, "mechanism": 0,
    # Read CD: QEMU's scsi-cd does not implement it.
    "dump": 9 if bus == "scsi" else 0,
    "bad_opcode": 9, "past_end": 5, "empty_tur": 2, "empty_capacity": 2, "empty_toc": 2,
}
for name, status in expected.items():
    if not os.path.exists(os.path.join(out, name + ".rc")):
        fail(f"{name}: not run in the VM")
        continue
    rc = int(read(name + ".rc"))
    if rc != status:
        fail(f"{name}: exit status {rc}, expected {status}\n{read(name + '.out')}{read(name + '.err')}")
if "/dev/sr0" not in read("drives.out") or "/dev/sr1" not in read("drives.out"):
    fail("drives: /dev/sr0 and /dev/sr1 not listed:\n" + read("drives.out"))
if "MEDIUM NOT PRESENT" not in read("empty_tur.out"):
    fail("empty_tur: not 2/3A/xx:\n" + read("empty_tur.out"))


# Raw replies: the bytes the reply's own header counts must be the same from both tools.
def own_length(name, reply):
    if len(reply) < 8:
        return len(reply)
    if name == "inquiry":
        return reply[4] + 5
    if name == "capacity":
        return 8
    if name in ("toc", "modesense", "event"):
        return int.from_bytes(reply[0:2], "big") + 2
    if name == "config":
        return int.from_bytes(reply[0:4], "big") + 4
    if name == "mechanism":
        return 8 + int.from_bytes(reply[6:8], "big")
    return len(reply)


for name in ("inquiry", "capacity", "toc", "config", "modesense", "mechanism", "event"):
    sg, ours = read(f"sg_{name}.bin", "rb"), read(f"cli_{name}.bin", "rb")
    n = own_length(name, sg)
    if not sg or sg[:n] != ours[:n]:
        fail(f"raw {name}: sg_raw {sg[:n].hex(' ')}\n  tamarack-cli {ours[:n].hex(' ')}")
# sg_inq asks for 36 bytes (scsi-cd then counts only those in the additional length).
inq, ours = read("sg_inq.bin", "rb"), read("cli_inquiry36.bin", "rb")
if len(inq) < 36 or inq[:36] != ours[:36]:
    fail(f"sg_inq: {inq[:36].hex(' ')}\n  tamarack-cli {ours[:36].hex(' ')}")

# Each run replayed from its trace on the host, without the drive.
env = dict(os.environ, TAMARACK_PLATFORM_DRIVES="0", TAMARACK_VIRTUAL_DRIVES="")
for name in expected:
    if name == "drives":
        continue
    args = read(name + ".args").splitlines()
    trace = os.path.join(out, name + ".jsonl")
    replay_args = ["emu:" + trace if a in ("/dev/sr0", "/dev/sr1") else a for a in args]
    r = subprocess.run([cli] + replay_args, capture_output=True, text=True, env=env)
    if r.returncode != int(read(name + ".rc")) or r.stdout != read(name + ".out"):
        fail(f"replay {name}: exit {r.returncode}\n{r.stdout}{r.stderr}--- in the VM:\n"
             f"{read(name + '.out')}")

print(f"{bus}: {len(failures)} failure(s)")
sys.exit(1 if failures else 0)
