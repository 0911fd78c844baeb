#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds the benchmark trees deterministically under OUT.

small/left, small/right: about 100,000 small files in nested folders; the right
tree is a copy with a few hundred files changed, added and removed.
large/left, large/right: a few files of 100 to 500 MB, about 2 GB in all,
identical except one that differs only in its last byte.
make_trees.py OUT [FILES [small]]: "small" makes the small pair only.
"""
import os
import random
import shutil
import sys

out = sys.argv[1]
files = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000
small_only = len(sys.argv) > 3 and sys.argv[3] == "small"
rng = random.Random(4711)
stamp = 1_700_000_000


def write(path, data, mtime=stamp):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (mtime, mtime))


small = os.path.join(out, "small")
if not os.path.exists(os.path.join(small, "done")):
    shutil.rmtree(small, ignore_errors=True)
    left = os.path.join(small, "left")
    names = []
    for i in range(files):
        d = f"modul{i % 97:02d}/teil{(i // 97) % 31:02d}/gruppe{(i // 3007) % 11}"
        name = f"{d}/datei_{i:06d}.{('txt', 'c', 'h', 'dat')[i % 4]}"
        names.append(name)
        write(os.path.join(left, name), (f"Inhalt {i}\n" * (1 + i % 40)).encode())
    right = os.path.join(small, "right")
    shutil.copytree(left, right, copy_function=shutil.copy2)
    for name in rng.sample(names, 300):  # changed, a little later
        write(os.path.join(right, name), b"geaendert\n", stamp + 60)
    for name in rng.sample(names, 200):
        p = os.path.join(right, name)
        if os.path.exists(p):
            os.remove(p)
    for i in range(200):
        write(os.path.join(right, f"neu/zusatz_{i:03d}.txt"), b"neu\n")
    open(os.path.join(small, "done"), "w").close()

large = os.path.join(out, "large")
if not small_only and not os.path.exists(os.path.join(large, "done")):
    shutil.rmtree(large, ignore_errors=True)
    block = bytes(rng.getrandbits(8) for _ in range(1 << 20))
    for side in ("left", "right"):
        os.makedirs(os.path.join(large, side))
    for n, mb in enumerate((500, 400, 300, 300, 250, 200, 100)):
        for side in ("left", "right"):
            p = os.path.join(large, side, f"gross_{n}.bin")
            with open(p, "wb") as f:
                for k in range(mb):
                    f.write(block[k % 7:] + block[: k % 7])
        if n == 2:  # one pair differs only in its last byte
            with open(os.path.join(large, "right", f"gross_{n}.bin"), "r+b") as f:
                f.seek(-1, 2)
                last = f.read(1)
                f.seek(-1, 2)
                f.write(bytes([last[0] ^ 0xFF]))
    open(os.path.join(large, "done"), "w").close()
print("trees ready in", out)
