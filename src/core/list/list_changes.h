// SPDX-License-Identifier: GPL-3.0-or-later
// What happened to the comparison list since a view last looked, so that the
// view can be told exactly that: a long run that touches one row per step must
// cost the view one row per step, not the whole list.
#pragma once

#include <cstddef>
#include <vector>

namespace zweiblick {

class ListChanges {
 public:
  // One change of the row count, in the order it happened. Positions are
  // 1-based and count in the list as it was just before that step.
  struct Step {
    enum Kind { kAppend, kRemove } kind;
    int position;  // first row removed, or first row appended
    int count;
  };

  // Rows moved, or so much happened that no finer notice is worth giving: the
  // view must read the whole list anew.
  bool Reordered() const { return reordered_; }
  const std::vector<Step>& Steps() const { return steps_; }
  // The rows whose texts changed, in the positions they have after all steps;
  // empty when first > last.
  int FirstChanged() const { return first_; }
  int LastChanged() const { return last_; }

  void Reorder() {
    *this = ListChanges();
    reordered_ = true;
  }

  void Append(int position) {
    if (reordered_) return;
    if (!steps_.empty() && steps_.back().kind == Step::kAppend &&
        steps_.back().position + steps_.back().count == position) {
      ++steps_.back().count;
      return;
    }
    Push({Step::kAppend, position, 1});
  }

  void Remove(int position) {
    if (reordered_) return;
    // Removing a run of rows one by one, from the end upwards or at the same
    // place, is one step.
    if (!steps_.empty() && steps_.back().kind == Step::kRemove) {
      Step& last = steps_.back();
      if (position + 1 == last.position) {
        last.position = position;
        ++last.count;
        ShiftChanged(position);
        return;
      }
      if (position == last.position) {
        ++last.count;
        ShiftChanged(position);
        return;
      }
    }
    Push({Step::kRemove, position, 1});
    ShiftChanged(position);
  }

  void Change(int position) {
    if (reordered_) return;
    if (position < first_) first_ = position;
    if (position > last_) last_ = position;
  }

 private:
  // Past this many steps one reset is cheaper than replaying them.
  static constexpr size_t kMaxSteps = 256;

  void Push(Step step) {
    if (steps_.size() == kMaxSteps) {
      Reorder();
      return;
    }
    steps_.push_back(step);
  }

  // Keeps the changed range in step with the removal of row `position`.
  void ShiftChanged(int position) {
    if (first_ > last_ || position > last_) return;
    if (position < first_) --first_;
    --last_;
    if (first_ > last_) ClearChanged();
  }
  void ClearChanged() {
    first_ = kNone;
    last_ = 0;
  }

  static constexpr int kNone = 0x7fffffff;
  bool reordered_ = false;
  std::vector<Step> steps_;
  int first_ = kNone;
  int last_ = 0;
};

}  // namespace zweiblick
