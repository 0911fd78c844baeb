// SPDX-License-Identifier: GPL-3.0-or-later
#include "list/text_arena.h"

#include <cstring>

namespace zweiblick {

std::string_view TextArena::Add(std::string_view text) {
  if (text.empty()) return {};
  if (text.size() > left_) {
    // A text longer than a block gets one of its own, so the rest of the
    // current block stays usable for the next names.
    size_t size = text.size() > kBlock / 4 ? text.size() : kBlock;
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    reserved_ += size;
    if (size != kBlock) {
      std::memcpy(blocks_.back().get(), text.data(), text.size());
      std::string_view added(blocks_.back().get(), text.size());
      if (blocks_.size() > 1 && left_ > 0) std::swap(blocks_.back(), blocks_[blocks_.size() - 2]);
      return added;
    }
    free_ = blocks_.back().get();
    left_ = size;
  }
  std::memcpy(free_, text.data(), text.size());
  std::string_view added(free_, text.size());
  free_ += text.size();
  left_ -= text.size();
  return added;
}

void TextArena::Clear() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  free_ = nullptr;
  left_ = 0;
  reserved_ = 0;
}

}  // namespace zweiblick
