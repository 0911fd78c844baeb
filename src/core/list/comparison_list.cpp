// SPDX-License-Identifier: GPL-3.0-or-later
#include "list/comparison_list.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace zweiblick {

ComparisonList::ComparisonList()
    : headers_{kHeaderLeftInitial, kHeaderMarker,     kHeaderRightInitial, "",
               kHeaderLeftStamp,   kHeaderRightStamp, kHeaderLeftSize,     kHeaderRightSize,
               kHeaderLeftTime,    kHeaderRightTime,  kHeaderChange} {}

int ComparisonList::Add(int position, std::string text) {
  int count = Count();
  position = std::clamp(position, 1, count + 1);
  Row row;
  row.left = std::move(text);
  if (position == count + 1) {
    if (indexValid_ && !row.left.empty()) {
      MatchKeyInto(row.left, key_);
      index_.Append(key_, static_cast<uint32_t>(position));
    }
    rows_.push_back(std::move(row));
    changes_.Append(position);
  } else {
    rows_.insert(rows_.begin() + (position - 1), std::move(row));
    indexValid_ = false;
    changes_.Reorder();
  }
  return position;
}

int ComparisonList::Find(std::string_view name) const {
  int found = 0;
  ForEachMatch(name, [&](int pos) {
    found = pos;
    return false;
  });
  return found;
}

void ComparisonList::EnsureIndex() const {
  if (indexValid_) return;
  index_.Clear();
  for (size_t i = 0; i < rows_.size(); ++i)
    if (!rows_[i].left.empty()) {
      MatchKeyInto(rows_[i].left, key_);
      index_.Append(key_, static_cast<uint32_t>(i + 1));
    }
  indexValid_ = true;
}

void ComparisonList::SetStamp(Stamp& s, std::string_view text) {
  s.size = static_cast<uint8_t>(std::min(text.size(), s.chars.size()));
  std::memcpy(s.chars.data(), text.data(), s.size);
}

std::string_view ComparisonList::View(int position, int column) const {
  const Row& row = rows_[position - 1];
  switch (column) {
    case kLeftNameColumn:
      return row.left;
    case kMarkerColumn:
      return row.marker;
    case kRightNameColumn:
      return row.right;
    case kLeftStampColumn:
      return {row.leftStamp.chars.data(), row.leftStamp.size};
    case kRightStampColumn:
      return {row.rightStamp.chars.data(), row.rightStamp.size};
    case kChangeColumn:
      return RowChangeText(row.change);
    default:
      return {};
  }
}

void ComparisonList::SetText(int position, int column, std::string_view text) {
  Row& row = rows_[position - 1];
  switch (column) {
    case kLeftNameColumn:
      if (row.left == text) return;
      row.left = text;
      if (text.empty()) row.leftFacts = {};
      indexValid_ = false;
      break;
    case kMarkerColumn: {
      if (row.marker == text) return;
      bool wasHidden = Hidden(position);
      row.marker = text;
      bool hidden = Hidden(position);
      hiddenCount_ += int(hidden) - int(wasHidden);
      if (hidden) row.selected = false;
      break;
    }
    case kRightNameColumn:
      if (row.right == text) return;
      row.right = text;
      if (text.empty()) row.rightFacts = {};
      break;
    case kLeftStampColumn:
      SetStamp(row.leftStamp, text);
      break;
    case kRightStampColumn:
      SetStamp(row.rightStamp, text);
      break;
    default:
      return;
  }
  changes_.Change(position);
}

void ComparisonList::SetFacts(int position, bool left, const FileFacts& facts) {
  Row& row = rows_[position - 1];
  (left ? row.leftFacts : row.rightFacts) = facts;
}

void ComparisonList::SetChange(int position, RowChange change) {
  Row& row = rows_[position - 1];
  if (row.change == change) return;
  row.change = change;
  changes_.Change(position);
}

void ComparisonList::SetSelected(int position, bool selected) {
  rows_[position - 1].selected = selected && !Hidden(position);
}

void ComparisonList::HideRowsMarked(std::string marker) {
  if (marker == hiddenMarker_) return;
  hiddenMarker_ = std::move(marker);
  hiddenCount_ = 0;
  for (int r = 1; r <= Count(); ++r)
    if (Hidden(r)) {
      ++hiddenCount_;
      rows_[r - 1].selected = false;
    }
  // Other rows are shown: the view reads the list anew.
  changes_.Reorder();
}

void ComparisonList::Remove(int position) {
  hiddenCount_ -= int(Hidden(position));
  rows_.erase(rows_.begin() + (position - 1));
  indexValid_ = false;
  changes_.Remove(position);
}

void ComparisonList::Clear() {
  rows_.clear();
  rows_.shrink_to_fit();
  hiddenCount_ = 0;
  index_.Clear();
  indexValid_ = true;
  changes_.Reorder();
}

void ComparisonList::SetHeader(int column, std::string text) {
  headers_[column - 1] = std::move(text);
  ++headerRevision_;
}

void ComparisonList::SetSorted(bool sorted) {
  bool becomesSorted = sorted && !sorted_;
  sorted_ = sorted;
  if (becomesSorted) Reorder();
}

void ComparisonList::SetSortKey(int key) {
  key = std::clamp(key, 0, kListColumnCount - 1);
  if (key == sortKey_) return;
  sortKey_ = key;
  if (sorted_) Reorder();
}

void ComparisonList::SetSortOrder(int order) {
  order = order == 0 ? 0 : 1;
  if (order == sortOrder_) return;
  sortOrder_ = order;
  if (sorted_) Reorder();
}

std::vector<uint32_t> ComparisonList::TextOrder() const {
  // One collation key per row in one buffer, then a stable sort of positions by
  // plain byte comparison of the keys: far cheaper than collating pairwise.
  size_t n = rows_.size();
  std::string keys;
  std::vector<uint32_t> offset(n + 1);
  bool ascii = true;
  for (size_t i = 0; i < n && ascii; ++i)
    ascii = IsAscii(View(static_cast<int>(i + 1), sortKey_ + 1));
  for (size_t i = 0; i < n; ++i) {
    offset[i] = static_cast<uint32_t>(keys.size());
    std::string_view text = View(static_cast<int>(i + 1), sortKey_ + 1);
    if (ascii)
      AppendAsciiCollationKey(text, keys);
    else
      AppendCollationKey(text, keys);
  }
  offset[n] = static_cast<uint32_t>(keys.size());
  auto key = [&](uint32_t i) {
    return std::string_view(keys.data() + offset[i], offset[i + 1] - offset[i]);
  };
  std::vector<uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  if (sortOrder_ == 0)
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
  else
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return key(b) < key(a); });
  return order;
}

std::vector<uint32_t> ComparisonList::FactOrder() const {
  int column = sortKey_ + 1;
  bool left = column == kLeftSizeColumn || column == kLeftTimeColumn;
  bool size = column == kLeftSizeColumn || column == kRightSizeColumn;
  size_t n = rows_.size();
  // A side without a file sorts before every file.
  std::vector<std::pair<int64_t, int32_t>> keys(n);
  for (size_t i = 0; i < n; ++i) {
    const FileFacts& f = left ? rows_[i].leftFacts : rows_[i].rightFacts;
    if (!f.Known())
      keys[i] = {INT64_MIN, INT32_MIN};
    else
      keys[i] = size ? std::pair<int64_t, int32_t>{f.size, 0}
                     : std::pair<int64_t, int32_t>{f.mtimeSec, f.mtimeNsec};
  }
  std::vector<uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);
  if (sortOrder_ == 0)
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
  else
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return keys[b] < keys[a]; });
  return order;
}

void ComparisonList::Reorder() {
  size_t n = rows_.size();
  if (n > 1) {
    int column = sortKey_ + 1;
    std::vector<uint32_t> order =
        column > kColumnCount && column <= kFactColumnCount ? FactOrder() : TextOrder();
    // Apply the permutation in place, cycle by cycle, so no second row vector is needed.
    for (size_t start = 0; start < n; ++start) {
      if (order[start] == start || order[start] == UINT32_MAX) continue;
      Row carried = std::move(rows_[start]);
      size_t at = start;
      for (;;) {
        size_t from = order[at];
        order[at] = UINT32_MAX;
        if (from == start) {
          rows_[at] = std::move(carried);
          break;
        }
        rows_[at] = std::move(rows_[from]);
        at = from;
      }
    }
  }
  indexValid_ = false;
  changes_.Reorder();
}

}  // namespace zweiblick
