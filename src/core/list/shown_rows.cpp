// SPDX-License-Identifier: GPL-3.0-or-later
#include "list/shown_rows.h"

#include <algorithm>
#include <cstdlib>

namespace zweiblick {
namespace {

// A run of the list's rows as they are now: `length` rows that stood at
// `oldStart` onwards when the view last looked, or new rows (oldStart 0).
struct Piece {
  int length;
  int oldStart;
};

// Makes a piece start right after `offset` rows; returns its index.
size_t SplitAt(std::vector<Piece>& pieces, int offset) {
  int at = 0;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (at == offset) return i;
    if (offset < at + pieces[i].length) {
      Piece tail{at + pieces[i].length - offset,
                 pieces[i].oldStart ? pieces[i].oldStart + (offset - at) : 0};
      pieces[i].length = offset - at;
      pieces.insert(pieces.begin() + static_cast<long>(i) + 1, tail);
      return i + 1;
    }
    at += pieces[i].length;
  }
  return pieces.size();
}

// The list as it is now, in pieces of rows the view knew and rows it did not.
std::vector<Piece> PiecesAfter(int oldCount, const ListChanges& changes) {
  std::vector<Piece> pieces;
  if (oldCount > 0) pieces.push_back({oldCount, 1});
  for (const ListChanges::Step& s : changes.Steps()) {
    size_t from = SplitAt(pieces, s.position - 1);
    if (s.kind == ListChanges::Step::kAppend) {
      pieces.insert(pieces.begin() + static_cast<long>(from), Piece{s.count, 0});
    } else {
      size_t to = SplitAt(pieces, s.position - 1 + s.count);
      pieces.erase(pieces.begin() + static_cast<long>(from),
                   pieces.begin() + static_cast<long>(to));
    }
  }
  return pieces;
}

// A run of rows the view knew: where it started then, and where it starts now.
struct Known {
  int oldStart, newStart, length;
};

// What a replay looks at: where the rows the view knew went, and the rows to
// decide anew, those whose texts changed and those the view never knew. All
// others keep whether they are shown.
struct LookAgain {
  std::vector<Known> known;                // ascending in both starts
  std::vector<std::pair<int, int>> check;  // position ranges, ascending
};

LookAgain WhatToLookAt(int oldCount, const ListChanges& changes, int first, int last) {
  LookAgain look;
  int at = 1;
  for (const Piece& p : PiecesAfter(oldCount, changes)) {
    if (p.oldStart == 0)
      look.check.push_back({at, at + p.length - 1});
    else
      look.known.push_back({p.oldStart, at, p.length});
    at += p.length;
  }
  if (first <= last)
    look.check.insert(
        std::lower_bound(look.check.begin(), look.check.end(), std::make_pair(first, last)),
        {first, last});
  return look;
}

// Where each shown row is now: 0 when it is gone, negative when it is to be
// hidden. Only a row whose texts changed (between `first` and `last`) can
// become hidden.
std::vector<int> WhereShownRowsAre(const std::vector<int>& rows, const std::vector<Known>& known,
                                   const ComparisonList& list, int first, int last) {
  std::vector<int> mapped(rows.size());
  size_t k = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    int old = rows[i];
    while (k < known.size() && known[k].oldStart + known[k].length <= old) ++k;
    int now = 0;
    if (k < known.size() && known[k].oldStart <= old)
      now = old - known[k].oldStart + known[k].newStart;
    if (now != 0 && now >= first && now <= last && list.Hidden(now)) now = -now;
    mapped[i] = now;
  }
  return mapped;
}

// The rows shown from now on: the kept ones and those that come into view.
std::vector<int> ShownFromNowOn(const std::vector<int>& mapped,
                                const std::vector<std::pair<int, int>>& check,
                                const ComparisonList& list) {
  std::vector<int> shown;
  shown.reserve(mapped.size());
  size_t m = 0;
  auto keepUpTo = [&](int position) {  // the kept rows before `position`
    for (; m < mapped.size() && std::abs(mapped[m]) < position; ++m)
      if (mapped[m] > 0) shown.push_back(mapped[m]);
  };
  int checkedTo = 0;
  for (auto [from, to] : check) {
    for (int p = std::max(from, checkedTo + 1); p <= to; ++p) {
      keepUpTo(p);
      if (m < mapped.size() && std::abs(mapped[m]) == p) continue;  // a known row, decided above
      if (!list.Hidden(p)) shown.push_back(p);
    }
    checkedTo = std::max(checkedTo, to);
  }
  keepUpTo(list.Count() + 1);
  return shown;
}

}  // namespace

void ShownRows::ShowAll() {
  front_ = &rows_;
  frontLength_ = rows_.size();
  back_ = &none_;
  backFrom_ = 0;
}

void ShownRows::Rebuild(const ComparisonList& list) {
  rows_.clear();
  listCount_ = list.Count();
  for (int r = 1; r <= listCount_; ++r)
    if (!list.Hidden(r)) rows_.push_back(r);
  ShowAll();
}

int ShownRows::RowFrom(int position) const {
  return static_cast<int>(std::lower_bound(rows_.begin(), rows_.end(), position) - rows_.begin());
}

void ShownRows::Replay(const ComparisonList& list, const ListChanges& changes, Notices& notices) {
  int first = changes.FirstChanged(), last = std::min(changes.LastChanged(), list.Count());
  if (changes.Steps().empty() && first > last) return;

  LookAgain look = WhatToLookAt(listCount_, changes, first, last);
  std::vector<int> mapped = WhereShownRowsAre(rows_, look.known, list, first, last);
  std::vector<int> shown = ShownFromNowOn(mapped, look.check, list);
  std::vector<int> kept;
  TellRemovals(mapped, kept, notices);
  TellInsertions(shown, kept, notices);

  rows_ = std::move(shown);
  listCount_ = list.Count();
  ShowAll();
}

// Removals, top down: the view sees the kept rows so far, then the rest.
void ShownRows::TellRemovals(const std::vector<int>& mapped, std::vector<int>& kept,
                             Notices& notices) {
  kept.reserve(mapped.size());
  front_ = &kept;
  frontLength_ = 0;
  back_ = &mapped;
  backFrom_ = 0;
  for (size_t i = 0; i < mapped.size();) {
    if (mapped[i] > 0) {
      kept.push_back(mapped[i]);
      frontLength_ = kept.size();
      backFrom_ = ++i;
      continue;
    }
    size_t end = i;
    while (end < mapped.size() && mapped[end] <= 0) ++end;
    int row = static_cast<int>(kept.size());
    notices.BeginRemove(row, row + static_cast<int>(end - i) - 1);
    backFrom_ = end;
    notices.EndRemove();
    i = end;
  }
}

// Insertions, top down: the view sees the new rows so far, then the kept rest.
void ShownRows::TellInsertions(const std::vector<int>& shown, const std::vector<int>& kept,
                               Notices& notices) {
  front_ = &shown;
  frontLength_ = 0;
  back_ = &kept;
  backFrom_ = 0;
  for (size_t j = 0; j < shown.size();) {
    if (backFrom_ < kept.size() && kept[backFrom_] == shown[j]) {
      frontLength_ = ++j;
      ++backFrom_;
      continue;
    }
    size_t end = j;
    while (end < shown.size() && !(backFrom_ < kept.size() && kept[backFrom_] == shown[end])) ++end;
    notices.BeginInsert(static_cast<int>(j), static_cast<int>(end) - 1);
    frontLength_ = end;
    notices.EndInsert();
    j = end;
  }
}

}  // namespace zweiblick
