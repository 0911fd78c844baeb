#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds the trees of bench/far_disk.sh deterministically under OUT.

sync70/local: 5,000 files of 1 to 200 KB in 300 folders (and bench-marker).
sync70/share: the same tree as it stands on the share before each run: 50 of
the files in an older version (other contents, a day older), 20 missing.
sync70/old: those 50 older versions alone, to put back after each run;
sync70/missing.txt: the 20 names that are missing there.
first/src: 1,000 files of 1 to 20 KB in 50 folders (and bench-marker).
The modification times are whole seconds: the share shows no more (SFTP
times are seconds), and `cp -u` takes a file with a fraction of a second for
newer than its copy there, so it would copy all 5,000 every time.
make_far_trees.py OUT
"""
import os
import random
import shutil
import sys

out = sys.argv[1]
rng = random.Random(1977)


stamp = 1_700_000_000


def write(path, data, mtime=None):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    if mtime is not None:
        os.utime(path, (mtime, mtime))


def tree(root, files, folders, low, high):
    names = []
    for i in range(files):
        d = folders[i % len(folders)]
        name = f"{d}/datei_{i:05d}.{('txt', 'dat', 'c', 'pdf')[i % 4]}"
        write(os.path.join(root, name), rng.randbytes(rng.randint(low, high)), stamp + i)
        names.append(name)
    write(os.path.join(root, "bench-marker"), b"\n", stamp)
    return names


s = os.path.join(out, "sync70")
if not os.path.exists(os.path.join(s, "done")):
    shutil.rmtree(s, ignore_errors=True)
    folders = [f"projekt{a:02d}/ordner{b:02d}" for a in range(15) for b in range(20)]
    names = tree(os.path.join(s, "local"), 5000, folders, 1024, 200 * 1024)
    picked = rng.sample(names, 70)
    changed, missing = picked[:50], picked[50:]
    for name in changed:
        local = os.path.join(s, "local", name)
        old = os.path.join(s, "old", name)
        write(old, rng.randbytes(rng.randint(1024, 200 * 1024)), int(os.stat(local).st_mtime) - 86400)
    with open(os.path.join(s, "missing.txt"), "w") as f:
        f.write("".join(n + "\n" for n in sorted(missing)))
    open(os.path.join(s, "done"), "w").close()

f = os.path.join(out, "first")
if not os.path.exists(os.path.join(f, "done")):
    shutil.rmtree(f, ignore_errors=True)
    tree(os.path.join(f, "src"), 1000, [f"mappe{a:02d}" for a in range(50)], 1024, 20 * 1024)
    open(os.path.join(f, "done"), "w").close()
