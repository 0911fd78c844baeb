// SPDX-License-Identifier: GPL-3.0-or-later
#include "comparison/file_contents.h"
#include "platform/fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zweiblick {
namespace {

// How far ahead of the comparison the kernel reads both files. With a cold
// cache both files are then fetched at the same time, and the disk, not the
// waiting for it, sets the pace.
inline constexpr uint64_t kReadAhead = 8ull << 20;

}  // namespace

class ContentsComparer::File {
 public:
  // The caller has seen a regular file of this name. Opened without blocking, a
  // FIFO put in its place since cannot hang the program: its read fails, and
  // no more than `length` bytes are ever read. Most files fit in one block;
  // only longer ones are worth the hint that they are read from start to end.
  int Open(FileRef file, uint64_t length) {
    fd_ = Fd(openat(file.dir, file.name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd_.ok()) return errno;
    Adopt(std::move(fd_), length);
    return 0;
  }
  void Adopt(Fd fd, uint64_t length) {
    fd_ = std::move(fd);
    if (length > kCompareBlockSize) posix_fadvise(fd_.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if (length > kReadAhead) ReadAhead(0, 2 * kReadAhead);
  }
  // Asks for `length` bytes from `position` on, read in the background.
  void ReadAhead(uint64_t position, uint64_t length) {
    posix_fadvise(fd_.get(), static_cast<off_t>(position), static_cast<off_t>(length),
                  POSIX_FADV_WILLNEED);
  }
  // Reads exactly `size` bytes unless the file ends first; -1 on error (EAGAIN
  // from something that is no file included).
  ssize_t ReadFull(char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
      ssize_t n = read(fd_.get(), buffer + done, size - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
  }

 private:
  Fd fd_;
};

ContentsComparer::ContentsComparer()
    : leftBlock_(kCompareBlockSize), rightBlock_(kCompareBlockSize) {}

ContentsResult ContentsComparer::Compare(FileRef left, FileRef right, uint64_t length) {
  auto failed = [](bool isLeft, int error) {
    return ContentsResult{ContentsResult::kFailed, isLeft, error};
  };
  File l, r;
  if (int e = l.Open(left, length)) return failed(true, e);
  if (int e = r.Open(right, length)) return failed(false, e);
  return CompareOpen(l, r, length);
}

ContentsResult ContentsComparer::Compare(Fd left, Fd right, uint64_t length) {
  File l, r;
  l.Adopt(std::move(left), length);
  r.Adopt(std::move(right), length);
  return CompareOpen(l, r, length);
}

ContentsResult ContentsComparer::CompareOpen(File& l, File& r, uint64_t length) {
  auto failed = [](bool isLeft, int error) {
    return ContentsResult{ContentsResult::kFailed, isLeft, error};
  };
  uint64_t position = 0;
  while (position < length) {
    size_t block = static_cast<size_t>(std::min<uint64_t>(kCompareBlockSize, length - position));
    ssize_t a = l.ReadFull(leftBlock_.data(), block);
    if (a < 0) return failed(true, errno);
    ssize_t b = r.ReadFull(rightBlock_.data(), block);
    if (b < 0) return failed(false, errno);
    // A file that got shorter since it was measured differs from its partner.
    if (a != b || std::memcmp(leftBlock_.data(), rightBlock_.data(), static_cast<size_t>(a)) != 0 ||
        static_cast<size_t>(a) < block)
      return {ContentsResult::kDiffer};
    position += block;
    // The next stretch after what was asked for already: 8 to 16 MB ahead.
    if (position % kReadAhead == 0 && position + kReadAhead < length) {
      l.ReadAhead(position + kReadAhead, kReadAhead);
      r.ReadAhead(position + kReadAhead, kReadAhead);
    }
  }
  return {ContentsResult::kEqual};
}

}  // namespace zweiblick
