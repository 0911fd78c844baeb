// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of a copy, as fast as the file systems allow and without filling
// in holes.
#pragma once

#include <sys/types.h>

namespace zweiblick {

// Copies the first `size` bytes of `from` into the empty file `to` (both at
// offset 0), or fewer when the source has shrunk since: a clone of the whole
// file where the file system shares blocks (reflink), otherwise its data
// extents only, by copy_file_range or, between file systems that cannot,
// by reading and writing; a hole stays a hole. Returns 0 or an error number.
int CopyBytes(int from, int to, off_t size);

}  // namespace zweiblick
