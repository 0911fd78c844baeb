// SPDX-License-Identifier: GPL-3.0-or-later
// Where a folder lies: on a network or FUSE file system every call waits for
// an answer from far away (or from another process), and that decides how
// many threads keep such a disk busy.
#pragma once

#include <string>

namespace zweiblick {

// Network and FUSE file systems, by statfs's f_type; those and removable
// ones are where a lost connection or a stick pulled out leaves renamed files
// whose data never arrived.
bool NetworkOrFuse(unsigned long type);

bool FarAway(const std::string& folder);

// Whether a file on the file system of the open `fd` keeps its inode number
// while nothing holds it open. FAT, exFAT and most FUSE and network file
// systems number an inode anew each time the kernel reads it in, so there an
// unchanged file or folder may come back with another number. Where statfs
// fails, the number is not trusted either.
bool InodesLast(int fd);

// Threads for a run's file-system work: ZWEIBLICK_WORKERS when set, else 32
// where a disk of the run is far away (each thread waits for the wire most of
// the time), else `near`.
int WorkerCount(bool farAway, int near);

}  // namespace zweiblick
