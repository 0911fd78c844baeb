// SPDX-License-Identifier: GPL-3.0-or-later
// A vector in blocks of a fixed size: growing never moves what it holds, so a
// million rows are never held twice while a larger array is filled.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace zweiblick {

template <class T, size_t kBlockShift = 12>
class BlockVector {
 public:
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  T& operator[](size_t i) { return blocks_[i >> kBlockShift][i & kMask]; }
  const T& operator[](size_t i) const { return blocks_[i >> kBlockShift][i & kMask]; }

  void push_back(T&& value) {
    if ((size_ >> kBlockShift) == blocks_.size()) blocks_.push_back(std::make_unique<T[]>(kBlock));
    (*this)[size_++] = std::move(value);
  }

  // Before element `at` (at most size()); the ones after it move up by one.
  void insert(size_t at, T&& value) {
    if (at == size_) return push_back(std::move(value));
    push_back(std::move((*this)[size_ - 1]));
    for (size_t i = size_ - 2; i > at; --i) (*this)[i] = std::move((*this)[i - 1]);
    (*this)[at] = std::move(value);
  }

  void erase(size_t at) {
    for (size_t i = at; i + 1 < size_; ++i) (*this)[i] = std::move((*this)[i + 1]);
    (*this)[--size_] = T();
    // One empty block is kept, so that adding and removing at its edge
    // does not allocate every time.
    while (blocks_.size() > (size_ >> kBlockShift) + 2) blocks_.pop_back();
  }

  void clear() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    size_ = 0;
  }

 private:
  static constexpr size_t kBlock = size_t{1} << kBlockShift;
  static constexpr size_t kMask = kBlock - 1;
  std::vector<std::unique_ptr<T[]>> blocks_;
  size_t size_ = 0;
};

}  // namespace zweiblick
