#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What an fsync of every copy before its rename costs on a mounted folder.

fsync_cost.py FOLDER: writes 2,000 files of 4 KiB (20 folders of 100, as in a
tree) and one file of 200 MB the way a synchronisation writes them (a
temporary file, then a rename over the name), once without and once with an
fsync before each rename, and times each round including the syncfs at its
end that every run makes anyway.
"""
import ctypes
import os
import sys
import time

libc = ctypes.CDLL(None, use_errno=True)

def write_round(folder, sizes, per_file_fsync):
    chunk = os.urandom(1 << 20)
    fd_dir = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
    start = time.monotonic()
    for i, size in enumerate(sizes):
        sub = os.path.join(folder, "d%d" % (i // 100))
        os.makedirs(sub, exist_ok=True)
        tmp = os.path.join(sub, ".tmp-%d" % i)
        fd = os.open(tmp, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
        left = size
        while left:
            n = os.write(fd, chunk[: min(left, len(chunk))])
            left -= n
        if per_file_fsync:
            os.fsync(fd)
        os.close(fd)
        os.rename(tmp, os.path.join(sub, "f%d" % i))
    if libc.syncfs(fd_dir) != 0:
        raise OSError(ctypes.get_errno(), "syncfs")
    seconds = time.monotonic() - start
    os.close(fd_dir)
    return seconds

def clear(folder):
    for top, dirs, files in os.walk(folder, topdown=False):
        for name in files:
            os.unlink(os.path.join(top, name))
        for name in dirs:
            os.rmdir(os.path.join(top, name))
    os.sync()

def main():
    folder = sys.argv[1]
    rounds = {"2,000 files of 4 KiB": [4096] * 2000, "one file of 200 MB": [200 << 20]}
    for label, sizes in rounds.items():
        for per_file in (False, True):
            sub = os.path.join(folder, "round")
            os.makedirs(sub, exist_ok=True)
            clear(sub)
            s = write_round(sub, sizes, per_file)
            print("%-22s %-14s %7.2f s" % (label, "fsync per file" if per_file else "syncfs only", s), flush=True)
            clear(sub)

main()
