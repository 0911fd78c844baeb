// SPDX-License-Identifier: GPL-3.0-or-later
// Compares the contents of two files of equal length.
#pragma once

#include <fcntl.h>

#include <cstdint>
#include <string>

#include "platform/aligned_buffer.h"
#include "platform/fd.h"

namespace zweiblick {

inline constexpr size_t kCompareBlockSize = 262144;

struct ContentsResult {
  enum Kind { kEqual, kDiffer, kFailed } kind = kEqual;
  // For kFailed: which file (true: the left one) and the system's error number.
  bool leftFailed = false;
  int error = 0;
};

// A file named by a path relative to an open folder (AT_FDCWD: to the current folder).
struct FileRef {
  int dir;
  const char* name;
};

// Both must be regular files when called (the caller has looked). Reads both
// files block by block from the start and stops at the first block
// that differs. Lengths and offsets are 64-bit. At most the two files are
// open, and both are closed on return. One comparer serves one thread.
class ContentsComparer {
 public:
  ContentsComparer();
  ContentsResult Compare(FileRef left, FileRef right, uint64_t length);
  // The same on two files the caller has opened (read-only, not blocking) and
  // checked with fstat; both are closed on return.
  ContentsResult Compare(Fd left, Fd right, uint64_t length);
  ContentsResult Compare(const std::string& left, const std::string& right, uint64_t length) {
    return Compare(FileRef{AT_FDCWD, left.c_str()}, FileRef{AT_FDCWD, right.c_str()}, length);
  }

 private:
  class File;
  ContentsResult CompareOpen(File& left, File& right, uint64_t length);
  AlignedBuffer leftBlock_;
  AlignedBuffer rightBlock_;
};

}  // namespace zweiblick
