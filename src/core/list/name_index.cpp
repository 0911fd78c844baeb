// SPDX-License-Identifier: GPL-3.0-or-later
#include "list/name_index.h"

#include <functional>

namespace zweiblick {

uint32_t NameIndex::Hash(std::string_view key) {
  uint64_t h = std::hash<std::string_view>{}(key);
  auto folded = static_cast<uint32_t>(h ^ (h >> 32));
  return folded == 0 ? 1 : folded;
}

void NameIndex::Clear() {
  slots_.clear();
  next_.clear();
  used_ = 0;
}

void NameIndex::Reserve(size_t keys) {
  if (next_.size() <= keys) next_.resize(keys + 1, 0);
  size_t slots = slots_.empty() ? 1024 : slots_.size();
  while (slots < 2 * (keys + 1)) slots *= 2;
  if (slots != slots_.size()) Rehash(slots);
}

void NameIndex::Rehash(size_t slots) {
  std::vector<Slot> old;
  old.swap(slots_);
  slots_.assign(slots, Slot{});
  for (const Slot& s : old)
    if (s.hash != 0) slots_[Probe(s.hash)] = s;
}

size_t NameIndex::Probe(uint32_t hash) const {
  size_t mask = slots_.size() - 1;
  size_t i = static_cast<size_t>(hash ^ (hash >> 21)) & mask;
  while (slots_[i].hash != 0 && slots_[i].hash != hash) i = (i + 1) & mask;
  return i;
}

void NameIndex::Grow() {
  Rehash(slots_.empty() ? 1024 : slots_.size() * 2);
}

void NameIndex::Append(std::string_view key, uint32_t position) {
  if ((used_ + 1) * 2 > slots_.size()) Grow();
  if (next_.size() <= position) next_.resize(std::max<size_t>(position + 1, next_.size() * 2), 0);
  uint32_t hash = Hash(key);
  Slot& slot = slots_[Probe(hash)];
  next_[position] = 0;
  if (slot.hash == 0) {
    slot = Slot{hash, position, position};
    ++used_;
  } else {
    next_[slot.tail] = position;
    slot.tail = position;
  }
}

uint32_t NameIndex::First(std::string_view key) const {
  if (slots_.empty()) return 0;
  const Slot& slot = slots_[Probe(Hash(key))];
  return slot.hash == 0 ? 0 : slot.head;
}

}  // namespace zweiblick
