// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison list's view: a flat table that never scrolls sideways by
// itself. Qt scrolls to the clicked or current cell, so a click on the right
// column would push the left one out of sight; here only the user scrolls
// sideways (the scroll bar, the wheel, the arrow keys left and right).
#pragma once

#include <QTableView>

namespace zweiblick {

class ListView : public QTableView {
  Q_OBJECT
 public:
  using QTableView::QTableView;

  // Scrolls up or down to `index` only.
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

 protected:
  // Left and right scroll the list, as in a list of rows; the current row stays.
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
};

}  // namespace zweiblick
