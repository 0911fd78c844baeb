// SPDX-License-Identifier: GPL-3.0-or-later
// Texts side by side in large blocks: a million names cost their characters
// and no allocation of their own.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace zweiblick {

// A text once added keeps its place until Clear: blocks never move, so the
// views handed out stay valid while more texts come.
class TextArena {
 public:
  // A copy of `text` in the arena; an empty text takes no room.
  std::string_view Add(std::string_view text);
  void Clear();
  // Bytes the blocks hold, used or not.
  size_t Reserved() const { return reserved_; }

 private:
  static constexpr size_t kBlock = 1 << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;  // the unused rest of the last block
  size_t left_ = 0;
  size_t reserved_ = 0;
};

}  // namespace zweiblick
