// SPDX-License-Identifier: GPL-3.0-or-later
// A buffer that read() fills. It starts on a page boundary: the kernel copies
// into a buffer that is not 64-byte aligned several times more slowly.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

namespace zweiblick {

class AlignedBuffer {
 public:
  static constexpr size_t kPage = 4096;
  // Throws like a vector would: a buffer of size 0 would read as an empty file,
  // and a copy would then replace its destination with nothing.
  explicit AlignedBuffer(size_t size)
      : data_(static_cast<char*>(std::aligned_alloc(kPage, (size + kPage - 1) / kPage * kPage))),
        size_(size) {
    if (!data_) throw std::bad_alloc();
  }
  char* data() { return data_.get(); }
  size_t size() const { return size_; }

 private:
  struct Free {
    void operator()(char* p) const { std::free(p); }
  };
  std::unique_ptr<char, Free> data_;
  size_t size_;
};

}  // namespace zweiblick
