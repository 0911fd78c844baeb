// SPDX-License-Identifier: GPL-3.0-or-later
// The rows a view shows while the list hides some: for each view row, the
// list position it stands for. What changed in the list is applied in one pass
// over the shown rows, and the view is told each removal and insertion as it
// is made, so that at every notice each view row still stands for the right
// list row.
#pragma once

#include <vector>

#include "list/comparison_list.h"

namespace zweiblick {

class ShownRows {
 public:
  // What the view is told, in view rows counted from 0, both ends included.
  class Notices {
   public:
    virtual void BeginRemove(int first, int last) = 0;
    virtual void EndRemove() = 0;
    virtual void BeginInsert(int first, int last) = 0;
    virtual void EndInsert() = 0;

   protected:
    ~Notices() = default;
  };

  ShownRows() { ShowAll(); }
  ShownRows(const ShownRows&) = delete;
  ShownRows& operator=(const ShownRows&) = delete;

  // Every row the list does not hide, in one pass.
  void Rebuild(const ComparisonList& list);
  // Applies `changes` (taken from `list`, which is now as they left it).
  void Replay(const ComparisonList& list, const ListChanges& changes, Notices& notices);

  int Count() const { return static_cast<int>(frontLength_ + back_->size() - backFrom_); }
  // The list position of view row `row`; 0 when that row is gone from the list
  // and its removal is yet to be told.
  int Position(int row) const {
    size_t r = static_cast<size_t>(row);
    int p = r < frontLength_ ? (*front_)[r] : (*back_)[backFrom_ + r - frontLength_];
    return p < 0 ? -p : p;
  }
  // The first view row whose position is `position` or later.
  int RowFrom(int position) const;

 private:
  void ShowAll();
  // The two halves of telling a replay: the view first loses the rows that
  // went or are hidden now, then gains those that came or are shown now.
  // Meanwhile the view rows stand for what front_ and back_ say.
  void TellRemovals(const std::vector<int>& mapped, std::vector<int>& kept, Notices& notices);
  void TellInsertions(const std::vector<int>& shown, const std::vector<int>& kept,
                      Notices& notices);

  std::vector<int> rows_;  // list positions, ascending
  int listCount_ = 0;      // the list's row count that rows_ was made for
  // What the view sees while a replay runs: the first frontLength_ entries of
  // *front_, then *back_ from backFrom_ on. Otherwise just rows_. A negative
  // entry is a row on its way out of the view, still in the list.
  const std::vector<int>* front_ = nullptr;
  size_t frontLength_ = 0;
  const std::vector<int>* back_ = nullptr;
  size_t backFrom_ = 0;
  std::vector<int> none_;
};

}  // namespace zweiblick
