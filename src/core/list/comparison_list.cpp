// SPDX-License-Identifier: GPL-3.0-or-later
#include "list/comparison_list.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <system_error>
#include <thread>

namespace zweiblick {
namespace {

// A stable sort of row numbers that pays little for order already there:
// a list filled from its second side keeps the order of its first, with the
// rows of names only the second has at its end. That sorted beginning stays
// as it is, the rest is sorted and merged in. A list in no order at all is
// sorted in two halves at once, on a thread of their own where there is one.
template <class Less>
void StableSort(std::vector<uint32_t>& rows, Less less) {
  auto sorted = std::is_sorted_until(rows.begin(), rows.end(), less);
  if (sorted == rows.end()) return;
  if (sorted - rows.begin() < static_cast<std::ptrdiff_t>(rows.size() / 2) &&
      rows.size() >= 100000) {
    auto half = rows.begin() + static_cast<std::ptrdiff_t>(rows.size() / 2);
    std::thread second;
    try {
      second = std::thread([&] { std::stable_sort(half, rows.end(), less); });
    } catch (const std::system_error&) {
      std::stable_sort(half, rows.end(), less);
    }
    std::stable_sort(rows.begin(), half, less);
    if (second.joinable()) second.join();
    std::inplace_merge(rows.begin(), half, rows.end(), less);
    return;
  }
  std::stable_sort(sorted, rows.end(), less);
  std::inplace_merge(rows.begin(), sorted, rows.end(), less);
}

}  // namespace

ComparisonList::ComparisonList()
    : headers_{kHeaderLeftInitial, kHeaderMarker,     kHeaderRightInitial, "",
               kHeaderLeftStamp,   kHeaderRightStamp, kHeaderLeftSize,     kHeaderRightSize,
               kHeaderLeftTime,    kHeaderRightTime,  kHeaderChange,       kHeaderFailure} {}

int ComparisonList::Add(int position, std::string_view text) {
  int count = Count();
  position = std::clamp(position, 1, count + 1);
  Row row;
  SetName(row, true, text);
  if (position == count + 1) {
    if (indexValid_ && row.leftSize != 0) {
      MatchKeyInto(row.Left(), key_);
      index_.Append(key_, static_cast<uint32_t>(position));
    }
    rows_.push_back(std::move(row));
    changes_.Append(position);
  } else {
    rows_.insert(static_cast<size_t>(position - 1), std::move(row));
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
  index_.Reserve(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].leftSize != 0) {
      MatchKeyInto(rows_[i].Left(), key_);
      index_.Append(key_, static_cast<uint32_t>(i + 1));
    }
  indexValid_ = true;
}

void ComparisonList::SetName(Row& row, bool left, std::string_view text) {
  liveText_ -= row.Weight();
  const char*& chars = left ? row.left : row.right;
  uint32_t& size = left ? row.leftSize : row.rightSize;
  std::string_view other = left ? row.Right() : row.Left();
  if (!text.empty() && text == other) {
    chars = other.data();  // one name on both sides: the same characters
  } else {
    chars = texts_.Add(text).data();
  }
  size = static_cast<uint32_t>(text.size());
  liveText_ += row.Weight();
}

// Copies the names still in use into a new arena once most of the old one is
// left behind by removed rows and replaced names.
void ComparisonList::CompactTexts() {
  if (texts_.Reserved() < (4u << 20) || texts_.Reserved() < 2 * liveText_) return;
  TextArena fresh;
  for (size_t i = 0; i < rows_.size(); ++i) {
    Row& row = rows_[i];
    bool shared = row.right == row.left;
    row.left = fresh.Add(row.Left()).data();
    row.right = shared ? row.left : fresh.Add(row.Right()).data();
  }
  texts_ = std::move(fresh);
}

uint16_t ComparisonList::MarkerNumber(std::string_view marker) {
  for (size_t i = 0; i < markers_.size(); ++i)
    if (markers_[i] == marker) return static_cast<uint16_t>(i);
  if (markers_.size() > UINT16_MAX) {
    // As many different markers as a number holds: keep only those in use.
    std::vector<uint16_t> renumbered(markers_.size(), 0);
    std::deque<std::string> used{std::string()};
    auto keep = [&](uint16_t m) {
      if (m != 0 && renumbered[m] == 0) {
        renumbered[m] = static_cast<uint16_t>(used.size());
        used.push_back(markers_[m]);
      }
      return renumbered[m];
    };
    hiddenMarkerIndex_ = keep(hiddenMarkerIndex_);
    for (size_t i = 0; i < rows_.size(); ++i) rows_[i].marker = keep(rows_[i].marker);
    markers_ = std::move(used);
    if (markers_.size() > UINT16_MAX) return 0;  // cannot be: there are fewer rows
  }
  markers_.emplace_back(marker);
  return static_cast<uint16_t>(markers_.size() - 1);
}

ComparisonList::PackedFacts ComparisonList::Packed(const FileFacts& facts) {
  PackedFacts p;
  p.size = facts.size;
  p.mtimeSec = facts.mtimeSec;
  p.mtimeNsec = facts.mtimeNsec;
  p.inode = facts.inode;
  auto known = std::find(devices_.begin(), devices_.end(), facts.device);
  if (known != devices_.end()) {
    p.device = static_cast<uint16_t>(known - devices_.begin());
  } else if (devices_.size() <= UINT16_MAX) {
    devices_.push_back(facts.device);
    p.device = static_cast<uint16_t>(devices_.size() - 1);
  } else {
    // More devices than a number holds cannot be met in one pair of
    // folders; should it happen, the row's facts count as unknown, so a
    // synchronisation refuses the row rather than trusting a wrong device.
    p = PackedFacts();
  }
  return p;
}

void ComparisonList::SetStamp(Stamp& s, std::string_view text) {
  s.size = static_cast<uint8_t>(std::min(text.size(), s.chars.size()));
  std::memcpy(s.chars.data(), text.data(), s.size);
}

std::string_view ComparisonList::View(int position, int column) const {
  const Row& row = rows_[position - 1];
  switch (column) {
    case kLeftNameColumn:
      return row.Left();
    case kMarkerColumn:
      return markers_[row.marker];
    case kRightNameColumn:
      return row.Right();
    case kLeftStampColumn:
      return {row.leftStamp.chars.data(), row.leftStamp.size};
    case kRightStampColumn:
      return {row.rightStamp.chars.data(), row.rightStamp.size};
    case kChangeColumn:
      return RowChangeText(row.change);
    case kFailureColumn:
      return row.failure ? std::string_view(*row.failure) : std::string_view();
    default:
      return {};
  }
}

void ComparisonList::SetText(int position, int column, std::string_view text) {
  Row& row = rows_[position - 1];
  switch (column) {
    case kLeftNameColumn:
      if (row.Left() == text) return;
      SetName(row, true, text);
      if (text.empty()) row.leftFacts = {};
      indexValid_ = false;
      break;
    case kMarkerColumn: {
      if (markers_[row.marker] == text) return;
      bool wasHidden = Hidden(position);
      row.marker = MarkerNumber(text);
      bool hidden = Hidden(position);
      hiddenCount_ += int(hidden) - int(wasHidden);
      if (hidden) row.selected = false;
      break;
    }
    case kRightNameColumn:
      if (row.Right() == text) return;
      SetName(row, false, text);
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
  (left ? row.leftFacts : row.rightFacts) = Packed(facts);
}

void ComparisonList::SetChange(int position, RowChange change) {
  Row& row = rows_[position - 1];
  if (row.change == change) return;
  row.change = change;
  changes_.Change(position);
}

void ComparisonList::SetFailure(int position, std::string_view reason) {
  Row& row = rows_[position - 1];
  if (!row.failure && reason.empty()) return;
  bool wasHidden = Hidden(position);
  failedCount_ -= int(bool(row.failure));
  if (reason.empty())
    row.failure.reset();
  else
    row.failure = std::make_unique<std::string>(reason);
  failedCount_ += int(bool(row.failure));
  hiddenCount_ += int(Hidden(position)) - int(wasHidden);
  changes_.Change(position);
}

void ComparisonList::SetSelected(int position, bool selected) {
  rows_[position - 1].selected = selected && !Hidden(position);
}

void ComparisonList::HideRowsMarked(std::string marker) {
  if (marker == hiddenMarker_) return;
  hiddenMarker_ = std::move(marker);
  hiddenMarkerIndex_ = hiddenMarker_.empty() ? 0 : MarkerNumber(hiddenMarker_);
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
  failedCount_ -= int(bool(rows_[position - 1].failure));
  liveText_ -= rows_[position - 1].Weight();
  rows_.erase(static_cast<size_t>(position - 1));
  CompactTexts();
  indexValid_ = false;
  changes_.Remove(position);
}

void ComparisonList::Clear() {
  rows_.clear();
  texts_.Clear();
  liveText_ = 0;
  markers_ = {std::string()};
  hiddenMarkerIndex_ = hiddenMarker_.empty() ? 0 : MarkerNumber(hiddenMarker_);
  hiddenCount_ = 0;
  failedCount_ = 0;
  // Built at the first lookup, not row by row: a list filled anew is sorted
  // before anything is looked up in it, and the sort drops the index.
  index_.Clear();
  indexValid_ = false;
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
  // Rows are ordered by (collation key, position): a stable sort. ICU sort
  // keys are by far the dearest part, so a name of ASCII characters only gets
  // the one-byte key of AppendAsciiCollationKey, which orders ASCII names
  // exactly as their collation keys do (ties included). The ASCII rows and
  // the others are sorted apart, then merged: each other row finds its place
  // among the ASCII rows by a galloping search from the place of the one
  // before it, and only the ASCII rows that search looks at get a collation
  // key. k other names among n cost about k log(n / k) keys instead of n.
  size_t n = rows_.size();
  const int column = sortKey_ + 1;
  const bool descending = sortOrder_ != 0;
  std::vector<uint32_t> ascii, other;
  ascii.reserve(n);
  for (size_t i = 0; i < n; ++i)
    (IsAscii(View(static_cast<int>(i + 1), column)) ? ascii : other).push_back(uint32_t(i));

  // Keys side by side in one buffer; key i of a set is at offset[i]..offset[i + 1].
  struct Keys {
    std::string bytes;
    std::vector<uint32_t> offset{0};
    std::string_view At(size_t i) const {
      return std::string_view(bytes.data() + offset[i], offset[i + 1] - offset[i]);
    }
  };
  auto build = [&](const std::vector<uint32_t>& rows, bool cheap) {
    Keys k;
    k.offset.reserve(rows.size() + 1);
    if (cheap) {  // at most one byte per character and the end: no growing
      size_t bytes = rows.size();
      for (uint32_t r : rows) bytes += View(static_cast<int>(r + 1), column).size();
      k.bytes.reserve(bytes);
    }
    for (uint32_t r : rows) {
      std::string_view text = View(static_cast<int>(r + 1), column);
      if (cheap)
        AppendAsciiCollationKey(text, k.bytes);
      else
        AppendCollationKey(text, k.bytes);
      k.offset.push_back(static_cast<uint32_t>(k.bytes.size()));
    }
    return k;
  };
  // Sorts `rows` (ascending positions) by their keys, stably; returns the
  // keys in the new order of the rows.
  auto sort = [&](std::vector<uint32_t>& rows, bool cheap) {
    Keys k = build(rows, cheap);
    std::vector<uint32_t> at(rows.size());
    std::iota(at.begin(), at.end(), 0u);
    if (descending)
      StableSort(at, [&](uint32_t a, uint32_t b) { return k.At(b) < k.At(a); });
    else
      StableSort(at, [&](uint32_t a, uint32_t b) { return k.At(a) < k.At(b); });
    Keys sorted;  // the merge needs them in order; the ASCII keys are done with
    if (!cheap) {
      sorted.bytes.reserve(k.bytes.size());
      sorted.offset.reserve(at.size() + 1);
    }
    if (rows.size() == n) {  // every row: `at` is the order already
      rows.swap(at);
      return sorted;
    }
    std::vector<uint32_t> out(rows.size());
    for (size_t i = 0; i < at.size(); ++i) {
      out[i] = rows[at[i]];
      if (cheap) continue;
      sorted.bytes += k.At(at[i]);
      sorted.offset.push_back(static_cast<uint32_t>(sorted.bytes.size()));
    }
    rows.swap(out);
    return sorted;
  };

  if (other.empty()) {
    sort(ascii, true);
    return ascii;
  }
  const Keys otherKeys = sort(other, false);
  if (ascii.empty()) return other;
  sort(ascii, true);

  // The collation keys of the ASCII rows, made when the merge first asks.
  std::string asciiKeys;
  std::vector<std::pair<uint32_t, uint32_t>> made(ascii.size(), {UINT32_MAX, 0});
  auto asciiKey = [&](size_t p) -> std::string_view {
    if (made[p].first == UINT32_MAX) {
      size_t start = asciiKeys.size();
      AppendCollationKey(View(static_cast<int>(ascii[p] + 1), column), asciiKeys);
      made[p] = {static_cast<uint32_t>(start), static_cast<uint32_t>(asciiKeys.size() - start)};
    }
    return std::string_view(asciiKeys.data() + made[p].first, made[p].second);
  };
  // Whether the other row at `i` in its order comes before the ASCII row at `p` in theirs.
  auto before = [&](size_t i, size_t p) {
    std::string_view a = otherKeys.At(i), b = asciiKey(p);
    int c = a.compare(b);
    if (c == 0) return other[i] < ascii[p];
    return descending ? c > 0 : c < 0;
  };
  std::vector<uint32_t> order;
  order.reserve(n);
  size_t p = 0;
  for (size_t i = 0; i < other.size(); ++i) {
    // The first ASCII row from p on that comes after this one: gallop, then halve.
    size_t lo = p, step = 1, hi = p;
    while (hi < ascii.size() && !before(i, hi)) {
      lo = hi + 1;
      hi = p + step;
      step *= 2;
    }
    hi = std::min(hi, ascii.size());
    while (lo < hi) {
      size_t mid = lo + (hi - lo) / 2;
      if (before(i, mid))
        hi = mid;
      else
        lo = mid + 1;
    }
    order.insert(order.end(), ascii.begin() + static_cast<std::ptrdiff_t>(p),
                 ascii.begin() + static_cast<std::ptrdiff_t>(lo));
    order.push_back(other[i]);
    p = lo;
  }
  order.insert(order.end(), ascii.begin() + static_cast<std::ptrdiff_t>(p), ascii.end());
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
    const PackedFacts& f = left ? rows_[i].leftFacts : rows_[i].rightFacts;
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
