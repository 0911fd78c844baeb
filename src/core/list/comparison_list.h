// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison list: the one store of rows, names, time stamps and markers.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/file_facts.h"
#include "list/block_vector.h"
#include "list/list_changes.h"
#include "list/name_index.h"
#include "list/row_change.h"
#include "list/text_arena.h"

namespace zweiblick {

// Columns, numbered from 1 as the user sees them.
enum Column : int {
  kLeftNameColumn = 1,
  kMarkerColumn = 2,
  kRightNameColumn = 3,
  kEmptyColumn = 4,
  kLeftStampColumn = 5,
  kRightStampColumn = 6,
  // What the walk saw of each file, for the view only: no text of the row,
  // never on the clipboard.
  kLeftSizeColumn = 7,
  kRightSizeColumn = 8,
  kLeftTimeColumn = 9,
  kRightTimeColumn = 10,
  // What changed since the last run, after a comparison by changes.
  kChangeColumn = 11,
  // Why the row's operation failed in the last run that reached it.
  kFailureColumn = 12,
};
inline constexpr int kColumnCount = 6;       // the columns with texts
inline constexpr int kFactColumnCount = 10;  // with the fact columns
inline constexpr int kListColumnCount = 12;  // with the change and failure columns

inline constexpr const char* kHeaderLeftInitial = "Erster Ordner";
inline constexpr const char* kHeaderMarker = "<-->";
inline constexpr const char* kHeaderRightInitial = "Zweiter Ordner";
inline constexpr const char* kHeaderLeftStamp = "unsichtbar für datum LINKS";
inline constexpr const char* kHeaderRightStamp = "unsichtbar für datum Rechts";
inline constexpr const char* kHeaderLeftSize = "Größe links";
inline constexpr const char* kHeaderRightSize = "Größe rechts";
inline constexpr const char* kHeaderLeftTime = "Geändert links";
inline constexpr const char* kHeaderRightTime = "Geändert rechts";
inline constexpr const char* kHeaderFailure = "Fehler";

// Starting column widths in twips; columns 5 and 6 are hidden.
inline constexpr std::array<int, kColumnCount> kColumnWidthTwips = {3777, 800, 3777, 66667, 0, 0};
// The fact columns, hidden until the user switches them on.
inline constexpr std::array<int, kFactColumnCount - kColumnCount> kFactColumnWidthTwips = {
    1200, 1200, 2100, 2100};
inline constexpr int kChangeColumnWidthTwips = 3300;
inline constexpr int kFailureColumnWidthTwips = 5400;

class ComparisonList {
 public:
  ComparisonList();

  int Count() const { return static_cast<int>(rows_.size()); }

  // Adds a row at `position` (1-based, at most Count() + 1) with `text` in column 1
  // and every other column empty. Returns the position.
  int Add(int position, std::string_view text);

  // First row, from position 1, whose column 1 matches `name` ignoring letter case
  // (whole text); 0 when there is none.
  int Find(std::string_view name) const;

  // Calls `visit(position)` for every row whose column 1 matches `name`, in list
  // order, until it returns false. `visit` must not change the list.
  template <class Visit>
  void ForEachMatch(std::string_view name, Visit&& visit) const {
    EnsureIndex();
    MatchKeyInto(name, key_);
    for (uint32_t pos = index_.First(key_); pos != 0; pos = index_.Next(pos)) {
      if (HasMatchKey(rows_[pos - 1].Left(), key_) && !visit(static_cast<int>(pos))) return;
    }
  }

  // Column texts, column 1 to 6. Column 4 is always empty and ignores writes; the
  // two time-stamp columns keep at most 16 characters, all the stamp has.
  std::string Text(int position, int column) const { return std::string(View(position, column)); }
  // The same text without a copy; valid until the row changes.
  std::string_view View(int position, int column) const;
  void SetText(int position, int column, std::string_view text);

  // What the walk saw of the row's left or right file. Emptying a right name
  // forgets its file's facts too.
  FileFacts Facts(int position, bool left) const {
    const Row& row = rows_[position - 1];
    return Unpacked(left ? row.leftFacts : row.rightFacts);
  }
  void SetFacts(int position, bool left, const FileFacts& facts);

  // What the comparison by changes found for the row; kNone after any other.
  RowChange Change(int position) const { return rows_[position - 1].change; }
  void SetChange(int position, RowChange change);

  // Why the row's operation failed and was passed over, in the user's words;
  // empty for a row that did not fail. A failed row is never hidden: it is
  // what the user has to look at.
  std::string_view Failure(int position) const {
    const Row& row = rows_[position - 1];
    return row.failure ? std::string_view(*row.failure) : std::string_view();
  }
  void SetFailure(int position, std::string_view reason);
  int FailedCount() const { return failedCount_; }

  // A hidden row is never selected: selecting it does nothing, and hiding it
  // takes its selection away.
  bool Selected(int position) const { return rows_[position - 1].selected; }
  void SetSelected(int position, bool selected);

  // Hides the rows whose marker is `marker` from the view, from now on and as
  // markers change; "" hides none. Positions are not affected: every operation
  // still walks all rows.
  void HideRowsMarked(std::string marker);
  bool HidesRows() const { return !hiddenMarker_.empty(); }
  bool Hidden(int position) const {
    const Row& row = rows_[position - 1];
    return HidesRows() && row.marker == hiddenMarkerIndex_ && !row.failure;
  }
  int HiddenCount() const { return hiddenCount_; }

  void Remove(int position);
  void Clear();

  const std::string& Header(int column) const { return headers_[column - 1]; }
  void SetHeader(int column, std::string text);

  // Sort state. The rows are re-ordered when Sorted becomes true and when the key
  // or the order change while it is true; nothing else moves a row. Rows that
  // sort equal keep their order. The fact columns sort by size or time, a side
  // without a file first.
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  int SortKey() const { return sortKey_; }
  void SetSortKey(int key);
  int SortOrder() const { return sortOrder_; }
  void SetSortOrder(int order);

  // What changed since the last call, for the one view that shows the list;
  // header changes are counted apart.
  ListChanges TakeChanges() { return std::exchange(changes_, ListChanges()); }
  uint64_t HeaderRevision() const { return headerRevision_; }

 private:
  struct Stamp {
    std::array<char, 16> chars{};
    uint8_t size = 0;
  };
  // What the walk saw of a file, with its device as a number in devices_:
  // a side holds files of a few devices only.
  struct PackedFacts {
    int64_t size = -1;
    int64_t mtimeSec = 0;
    uint64_t inode = 0;
    int32_t mtimeNsec = 0;
    uint16_t device = 0;
    bool Known() const { return size >= 0; }
  };

  // A row keeps its names as places in texts_ (both on the same characters
  // when the two names are one, as for nearly every row after a filling) and
  // its marker as a number in markers_: about 150 bytes a row.
  struct Row {
    const char* left = nullptr;
    const char* right = nullptr;
    uint32_t leftSize = 0;
    uint32_t rightSize = 0;
    Stamp leftStamp;
    Stamp rightStamp;
    uint16_t marker = 0;  // markers_[marker]; 0 is ""
    bool selected = false;
    RowChange change = RowChange::kNone;
    PackedFacts leftFacts;
    PackedFacts rightFacts;
    // Rarely set: a pointer keeps a million rows small.
    std::unique_ptr<std::string> failure;

    std::string_view Left() const { return {left, leftSize}; }
    std::string_view Right() const { return {right, rightSize}; }
    // The characters of texts_ that this row alone holds.
    size_t Weight() const { return leftSize + (right == left ? 0 : rightSize); }
  };

  static void SetStamp(Stamp& s, std::string_view text);
  void Reorder();
  std::vector<uint32_t> TextOrder() const;
  std::vector<uint32_t> FactOrder() const;
  void EnsureIndex() const;
  void SetName(Row& row, bool left, std::string_view text);
  void CompactTexts();
  uint16_t MarkerNumber(std::string_view marker);
  PackedFacts Packed(const FileFacts& facts);
  FileFacts Unpacked(const PackedFacts& p) const {
    FileFacts f;
    f.size = p.size;
    f.mtimeSec = p.mtimeSec;
    f.mtimeNsec = p.mtimeNsec;
    f.inode = p.inode;
    f.device = devices_[p.device];
    return f;
  }

  BlockVector<Row> rows_;
  // The names of all rows, and the bytes of it that rows still use: names
  // replaced or removed leave their old characters behind until CompactTexts.
  TextArena texts_;
  size_t liveText_ = 0;
  // Every marker text in use (a deque: adding one moves no other).
  std::deque<std::string> markers_{std::string()};
  uint16_t hiddenMarkerIndex_ = 0;
  // Every device a row's facts name; 0 is device 0 (nothing known).
  std::vector<uint64_t> devices_{0};
  std::array<std::string, kListColumnCount> headers_;
  bool sorted_ = false;
  int sortKey_ = 0;
  int sortOrder_ = 0;
  ListChanges changes_;
  uint64_t headerRevision_ = 0;
  std::string hiddenMarker_;
  int hiddenCount_ = 0;
  int failedCount_ = 0;

  // The lookup index of column 1. Appends keep it current once built; anything
  // that moves rows or rewrites column 1 drops it and the next lookup rebuilds
  // it, so it can never answer from a stale state.
  mutable NameIndex index_;
  mutable std::string key_;  // the match key last computed, its storage reused
  mutable bool indexValid_ = false;
};

}  // namespace zweiblick
