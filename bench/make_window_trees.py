#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds the trees of the window benchmark deterministically under OUT.

window/left, window/right: FILES small files per side (default 200,000); the
right tree is a copy with a few hundred files changed, added and removed.
windowsync/left, windowsync/right: 50,000 files; every left file is newer than
its right twin, so an age comparison marks all of them "-->".
million/left, million/right: 1,000,000 empty files; the right tree holds hard
links to the left one, so every pair is "=" by age and by contents.
"""
import os
import random
import shutil
import subprocess
import sys

out = sys.argv[1]
files = int(sys.argv[2]) if len(sys.argv) > 2 else 200_000
rng = random.Random(815)
stamp = 1_700_000_000


def name(i):
    return f"ordner{i % 101:03d}/sub{(i // 101) % 37:02d}/stufe{(i // 3737) % 13}/f_{i:07d}.txt"


def write(path, data, mtime=stamp):
    try:
        f = open(path, "wb")
    except FileNotFoundError:
        os.makedirs(os.path.dirname(path), exist_ok=True)
        f = open(path, "wb")
    with f:
        f.write(data)
    os.utime(path, (mtime, mtime))


def tree(root, count, data, mtime):
    for i in range(count):
        write(os.path.join(root, name(i)), data(i), mtime)


def made(folder, build):
    if os.path.exists(os.path.join(folder, "done")):
        return
    shutil.rmtree(folder, ignore_errors=True)
    build(folder)
    open(os.path.join(folder, "done"), "w").close()


def window(folder):
    left, right = os.path.join(folder, "left"), os.path.join(folder, "right")
    tree(left, files, lambda i: f"Zeile {i}\n".encode() * (1 + i % 9), stamp)
    subprocess.run(["cp", "-a", left, right], check=True)
    for i in rng.sample(range(files), 300):
        write(os.path.join(right, name(i)), b"anders\n", stamp + 60)
    for i in rng.sample(range(files), 200):
        p = os.path.join(right, name(i))
        if os.path.exists(p):
            os.remove(p)


def windowsync(folder):
    tree(os.path.join(folder, "left"), 50_000, lambda i: b"neu %d\n" % i, stamp + 3600)
    tree(os.path.join(folder, "right"), 50_000, lambda i: b"alt\n", stamp)


def million(folder):
    tree(os.path.join(folder, "left"), 1_000_000, lambda i: b"", stamp)
    subprocess.run(["cp", "-al", os.path.join(folder, "left"), os.path.join(folder, "right")],
                   check=True)


which = sys.argv[3:] or ["window", "windowsync", "million"]
for kind, build in (("window", window), ("windowsync", windowsync), ("million", million)):
    if kind in which:
        made(os.path.join(out, kind), build)
        # A control file names a folder only when it holds a file of its own.
        for side in ("left", "right"):
            top = os.path.join(out, kind, side, "liesmich.txt")
            if not os.path.exists(top):
                write(top, b"Baum des Fensterbenchmarks\n")
print("window trees ready in", out)
