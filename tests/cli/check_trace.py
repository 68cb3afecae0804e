"""Checks a command trace written by tamarack-cli --trace: one JSON object per line, every
field present with its type, and the hex fields consistent with the counts beside them.

usage: check_trace.py TRACE LINES [FIRST_CDB]
"""
import json
import re
import sys

FIELDS = {
    "time": str, "drive": str, "cdb": str, "direction": str, "length": int, "timeout_s": int,
    "data_out": str, "data_out_omitted": int, "outcome": str, "os_error": int, "reason": str,
    "advice": str, "scsi_status": int, "sense": str, "sense_length": int, "transferred": int,
    "duration_us": int, "reply": str, "reply_omitted": int,
}
HEX = re.compile(r"^([0-9a-f]{2}( [0-9a-f]{2})*)?$")
TIME = re.compile(r"^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{6}Z$")


def byte_count(text):
    return 0 if not text else len(text.split(" "))


def check(path, expected_lines, first_cdb):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    if lines[-1] != "":
        sys.exit("the trace does not end with a line end")
    lines = lines[:-1]
    if len(lines) != expected_lines:
        sys.exit(f"{len(lines)} lines, expected {expected_lines}")
    for n, line in enumerate(lines, 1):
        record = json.loads(line)
        if not isinstance(record, dict):
            sys.exit(f"line {n} is not an object")
        if set(record) != set(FIELDS):
            sys.exit(f"line {n}: fields {sorted(record)}")
        for name, kind in FIELDS.items():
            if type(record[name]) is not kind:
                sys.exit(f"line {n}: {name} is not {kind.__name__}")
        for name in ("cdb", "data_out", "sense", "reply"):
            if not HEX.match(record[name]):
                sys.exit(f"line {n}: {name} is not hex bytes")
        if not TIME.match(record["time"]):
            sys.exit(f"line {n}: time {record['time']!r}")
        if byte_count(record["cdb"]) != 12:
            sys.exit(f"line {n}: the CDB is not 12 bytes")
        if record["direction"] not in ("in", "out", "none"):
            sys.exit(f"line {n}: direction {record['direction']!r}")
        if record["outcome"] not in ("completed", "refused", "timed out", "transport error"):
            sys.exit(f"line {n}: outcome {record['outcome']!r}")
        if record["direction"] == "in" and record["outcome"] == "completed":
            kept = byte_count(record["reply"]) + record["reply_omitted"]
            if kept != min(record["transferred"], record["length"]):
                sys.exit(f"line {n}: {kept} reply bytes for {record['transferred']} transferred")
    if first_cdb and json.loads(lines[0])["cdb"] != first_cdb:
        sys.exit(f"the first CDB is {json.loads(lines[0])['cdb']!r}, not {first_cdb!r}")
    print(f"{len(lines)} commands")


if __name__ == "__main__":
    check(sys.argv[1], int(sys.argv[2]), sys.argv[3] if len(sys.argv) > 3 else "")
