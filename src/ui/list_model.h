// SPDX-License-Identifier: GPL-3.0-or-later
// Shows the core's comparison list in a Qt view. It only adapts: the rows live in
// the core, and the view learns of changes when Flush() is called, which the
// window does at its yields (a few times a second), before every message box
// and after every command.
#pragma once

#include <QAbstractTableModel>

#include "list/comparison_list.h"
#include "list/shown_rows.h"

namespace zweiblick {

class ListModel : public QAbstractTableModel, private ShownRows::Notices {
  Q_OBJECT
 public:
  explicit ListModel(ComparisonList& list, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Tells the views what changed in the core list since the last call: the rows
  // appended and removed, the range of rows whose texts changed, and a reset
  // only when rows moved.
  void Flush();

  // The core position (1-based) of the row the views know as `row`, or 0 when
  // that row is already gone from the core. While a flush replays its steps,
  // the views know the list as it was before the step being announced.
  int CoreRow(int row) const;
  // The rows' tool tips tell sizes and times while the window's tool tips are on.
  void ShowRowToolTips(bool on) { rowToolTips_ = on; }

 signals:
  // After a reset the view's selection is gone; ListSelection puts the core's back.
  void RowsReset();

 private:
  void BeginRemove(int first, int last) override { beginRemoveRows({}, first, last); }
  void EndRemove() override { endRemoveRows(); }
  void BeginInsert(int first, int last) override { beginInsertRows({}, first, last); }
  void EndInsert() override { endInsertRows(); }
  void ReplayShown();

  ComparisonList& list_;
  int shownRows_ = 0;
  uint64_t headersSeen_ = 0;
  ListChanges replaying_;
  size_t stepsShown_ = 0;
  // While the list hides rows, the views see only the shown ones.
  bool filtering_ = false;
  ShownRows shown_;
  bool rowToolTips_ = false;
};

}  // namespace zweiblick
