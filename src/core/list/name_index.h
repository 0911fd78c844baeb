// SPDX-License-Identifier: GPL-3.0-or-later
// A hash index from match keys to the list positions that carry them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "names/name_key.h"

namespace zweiblick {

// Open addressing on 32-bit hashes of match keys; each slot heads a chain of
// positions in ascending order. Different keys with one hash share a chain, so
// callers check the key of every position they are handed (among a million
// names a few hundred pairs do). About 16 to 28 bytes per row, which keeps a
// million rows cheap.
class NameIndex {
 public:
  void Clear();
  // Room for `keys` keys and positions, so that building the index of a
  // whole list never grows it.
  void Reserve(size_t keys);
  // Positions must be appended in ascending order.
  void Append(std::string_view key, uint32_t position);
  uint32_t First(std::string_view key) const;
  uint32_t Next(uint32_t position) const { return position < next_.size() ? next_[position] : 0; }

 private:
  struct Slot {
    uint32_t hash = 0;  // 0: empty
    uint32_t head = 0;
    uint32_t tail = 0;
  };
  static uint32_t Hash(std::string_view key);
  void Grow();
  void Rehash(size_t slots);
  size_t Probe(uint32_t hash) const;

  std::vector<Slot> slots_;
  std::vector<uint32_t> next_;  // by position; 0 ends a chain
  size_t used_ = 0;
};

}  // namespace zweiblick
