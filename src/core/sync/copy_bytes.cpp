// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/copy_bytes.h"

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/aligned_buffer.h"

namespace zweiblick {
namespace {

// The answers of a file system (or a pair of them) that cannot do the fast
// way; any other error is a real one.
bool CannotCopyFast(int error) {
  return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP ||
         error == ENOTTY || error == EPERM || error == ETXTBSY || error == EBADF;
}

// Copies [at, end) of `from` to the same place in `to`. Sets `eof` when the
// source ended before `end`.
int CopyRange(int from, int to, off_t at, off_t end, bool& fast, bool& eof) {
  while (at < end) {
    size_t want = static_cast<size_t>(std::min<off_t>(end - at, 1 << 30));
    if (fast) {
      off_t in = at, out = at;
      ssize_t n = copy_file_range(from, &in, to, &out, want, 0);
      if (n > 0) {
        at += n;
        continue;
      }
      if (n == 0) return eof = true, 0;
      if (errno == EINTR) continue;
      if (!CannotCopyFast(errno)) return errno;
      fast = false;  // this pair of file systems cannot: by hand from here on
    }
    static thread_local AlignedBuffer buffer(1 << 20);
    ssize_t n = pread(from, buffer.data(), std::min(want, buffer.size()), at);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return eof = true, 0;
    for (ssize_t written = 0; written < n;) {
      ssize_t w =
          pwrite(to, buffer.data() + written, static_cast<size_t>(n - written), at + written);
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      written += w;
    }
    at += n;
  }
  return 0;
}

// A clone of the whole file; false when the file systems cannot share blocks.
bool Clone(int from, int to, off_t size, int& error) {
  error = 0;
  while (ioctl(to, FICLONE, from) != 0) {
    if (errno == EINTR) continue;
    if (!CannotCopyFast(errno)) return error = errno, true;
    // A clone that stopped half way says EINVAL: start afresh.
    if (errno == EINVAL && ftruncate(to, 0) != 0) return error = errno, true;
    return false;
  }
  // The clone took the source as it is now; a source that grew is cut back.
  struct stat st {};
  if (fstat(to, &st) != 0) return error = errno, true;
  if (st.st_size > size && ftruncate(to, size) != 0) error = errno;
  return true;
}

}  // namespace

int CopyBytes(int from, int to, off_t size) {
  if (size <= 0) return 0;
  int error = 0;
  if (Clone(from, to, size, error)) return error;
  bool fast = true, eof = false;
  off_t at = 0;  // everything before it is copied
  // Holes are looked for only in a file with fewer blocks than bytes, as cp
  // does: most files have none, and a file system that reports dirty data as
  // a hole (it has happened) cannot lose the data of those.
  struct stat st {};
  if (fstat(from, &st) != 0) return errno;
  if (st.st_blocks * 512 >= size) {
    if (int e = CopyRange(from, to, 0, size, fast, eof)) return e;
    at = size;
  }
  while (at < size && !eof) {
    off_t data = lseek(from, at, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // only a hole (or nothing) from here
    off_t hole = data < 0 ? -1 : lseek(from, data, SEEK_HOLE);
    if (data < 0 || hole < 0) {
      // No way to ask for holes here: all of the rest is data.
      if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != ENXIO) return errno;
      data = at;
      hole = size;
    }
    if (data >= size) break;
    if (int e = CopyRange(from, to, data, std::min(hole, size), fast, eof)) return e;
    at = std::min(hole, size);
  }
  if (at >= size && !eof) return 0;
  // A hole at the end: the length alone. Never beyond what the source has now.
  struct stat now {};
  if (fstat(to, &now) != 0 || fstat(from, &st) != 0) return errno;
  off_t length = std::min(size, st.st_size);
  if (now.st_size >= length || ftruncate(to, length) == 0) return 0;
  // FAT through FUSE refuses to lengthen a file that way, but fills a gap
  // that a write leaves.
  const char zero = 0;
  for (;;) {
    if (pwrite(to, &zero, 1, length - 1) == 1) return 0;
    if (errno != EINTR) return errno;
  }
}

}  // namespace zweiblick
