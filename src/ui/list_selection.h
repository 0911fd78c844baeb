// SPDX-License-Identifier: GPL-3.0-or-later
// Which rows of the list are selected, as the view shows it. The rows' own
// flags in the core's list are the one record; this selection model follows
// them and never decides by itself.
//
// A command (a click, a key, selectAll) is the user's: what it changes goes to
// the core's rows at once. A notice from the core (rows appended, removed,
// moved) is not: Qt's bookkeeping of it is never written back, because the
// core has already done the same to its rows. Appending and removing leave
// every remaining row as it was in both; after rows moved (a reset) the view's
// selection is built anew from the core's flags.
#pragma once

#include <QItemSelectionModel>

namespace zweiblick {

class ComparisonList;
class ListModel;

class ListSelection : public QItemSelectionModel {
  Q_OBJECT
 public:
  ListSelection(ListModel* model, ComparisonList& list, QObject* parent);

  using QItemSelectionModel::select;
  void select(const QItemSelection& selection, SelectionFlags command) override;

 private:
  // Writes only the rows the command changed: a click in a list of a million
  // rows must not walk all of them.
  void Forward(const QItemSelection& selected, const QItemSelection& deselected);
  void ShowCore();

  ListModel* model_;
  ComparisonList& list_;
  // Set while a command runs: the changes Qt reports meanwhile are that command's.
  bool inCommand_ = false;
};

}  // namespace zweiblick
