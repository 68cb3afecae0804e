#!/usr/bin/env python3
"""Writes the seed corpora of fuzz_ring_walk and fuzz_long_jobs (tests/fuzz/corpus/NAME), each
file named by its content. Usage: tests/fuzz/make_seeds.py [CORPUS_FOLDER]"""
import hashlib
import os
import struct
import sys

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), 'corpus')

def save(name, data):
    d = os.path.join(root, name); os.makedirs(d, exist_ok=True)
    open(os.path.join(d, hashlib.sha1(data).hexdigest()[:16]), 'wb').write(data)

# --- fuzz_ring_walk: flags, size selector, tail and head entry numbers, ring bytes, rounds
def cmd(ring, at, cmd_id, cdb, iovecs, ring_off=128):
    length = max((48 + 16 * len(iovecs) + 16 + 7) & ~7, 112)
    struct.pack_into('<IH', ring, at, length | 1, cmd_id)
    struct.pack_into('<I', ring, at + 8, len(iovecs))
    cdb_at = at + 48 + 16 * len(iovecs)
    struct.pack_into('<Q', ring, at + 24, ring_off + cdb_at)
    for i, (off, n) in enumerate(iovecs):
        struct.pack_into('<QQ', ring, at + 48 + 16 * i, off, n)
    ring[cdb_at:cdb_at + len(cdb)] = bytes(cdb)
    return at + length
def ring_input(flags, size, tail, head, ring, rounds=b''):
    return bytes([flags, size // 8 - 1, tail // 8, head // 8]) + bytes(ring) + rounds

data = 128 + 512
r = bytearray(512)
at = cmd(r, 0, 1, [0] * 12, [])                                  # Test Unit Ready
at = cmd(r, at, 2, [0x12, 0, 0, 0, 36] + [0] * 7, [(data, 36)])  # Inquiry, one buffer
at = cmd(r, at, 3, [0x28] + [0] * 8 + [1, 0, 1], [(data + 64, 1000), (data + 2048, 1048)])  # half
struct.pack_into('<I', r, at, 32 | 2); struct.pack_into('<I', r, at + 12, 1)  # TMR naming 9
struct.pack_into('<H', r, at + 32, 9); at += 40
save('fuzz_ring_walk', ring_input(3, 512, 0, at, r))
# The same ring, completing in order, and a PAD to its end then a command at its start.
r2 = bytearray(512)
a = cmd(r2, 280, 1, [0] * 12, [])
struct.pack_into('<I', r2, a, 512 - a)
e = cmd(r2, 0, 2, [0] * 12, [])
save('fuzz_ring_walk', ring_input(0, 512, 280, e, r2))
# A loop short of the head: a PAD over a 64-byte ring, a CMD over a 112-byte ring.
p = bytearray(64); struct.pack_into('<I', p, 0, 64)
save('fuzz_ring_walk', ring_input(0, 64, 0, 8, p))
c = bytearray(112); cmd(c, 0, 1, [0] * 12, [])
save('fuzz_ring_walk', ring_input(0, 112, 0, 8, c))
# A command the drive never answers, held; the next round aborts it with a TMR and moves the head.
h = bytearray(512)
e = cmd(h, 0, 5, [0x28] + [0] * 10 + [2], [(data, 2048)])
tmr = 128 + e
rounds = bytes([4]) + struct.pack('>HI', tmr, 32 | 2) + struct.pack('>HI', tmr + 12, 1)
rounds += struct.pack('>HI', tmr + 32, 5) + struct.pack('>HI', 12, e + 40)
save('fuzz_ring_walk', ring_input(3, 512, 0, e, h, rounds))

# --- fuzz_long_jobs: job, disc, start, length, setting byte, then 6-byte reply plans
def job(kind, disc, start, length, extra, plans=b''):
    return bytes([kind, disc, start, length, extra]) + plans
refused = bytes([4, 0, 0, 0, 0, 0]) * 100
sense = bytes([7, 0, 0, 0, 3, 0x11]) * 100  # medium error on every command
for kind, disc, start, length, extra in [
        (0, 0, 2, 20, 0), (0, 2, 5, 40, 0), (0, 0, 0, 0, 1), (1, 0, 3, 33, 0), (2, 0, 1, 30, 0),
        (2, 1, 7, 20, 2), (3, 0, 1, 30, 0x10), (3, 12, 1, 30, 0x41), (3, 24 + 8, 2, 20, 0x24),
        (3, 36 + 4, 0, 10, 0x08), (3, 27, 1, 12, 0x0c), (4, 0, 0, 40, 10), (4, 1, 0, 0, 5),
        (5, 0, 0, 0, 0), (6, 0, 0, 0, 0), (7, 0, 0, 0, 0), (8, 0, 0, 0, 0), (9, 0, 0, 0, 0),
        (9, 2, 0, 0, 0)]:
    save('fuzz_long_jobs', job(kind, disc, start, length, extra))
for kind in range(10):
    save('fuzz_long_jobs', job(kind, 0, 1, 20, 0, refused))
    save('fuzz_long_jobs', job(kind, 0, 1, 20, 0, sense))
