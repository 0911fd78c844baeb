// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/list_view.h"

#include <QScrollBar>

namespace zweiblick {

void ListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  QScrollBar* sideways = horizontalScrollBar();
  int keep = sideways->value();
  QTableView::scrollTo(index, hint);
  sideways->setValue(keep);
}

QModelIndex ListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  if (action == MoveLeft || action == MoveRight) {
    QScrollBar* sideways = horizontalScrollBar();
    sideways->triggerAction(action == MoveLeft ? QScrollBar::SliderSingleStepSub
                                               : QScrollBar::SliderSingleStepAdd);
    return currentIndex();
  }
  return QTableView::moveCursor(action, modifiers);
}

}  // namespace zweiblick
