// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/list_selection.h"

#include <utility>

#include "list/comparison_list.h"
#include "ui/list_model.h"

namespace zweiblick {

ListSelection::ListSelection(ListModel* model, ComparisonList& list, QObject* parent)
    : QItemSelectionModel(model, parent), model_(model), list_(list) {
  connect(this, &QItemSelectionModel::selectionChanged, this, &ListSelection::Forward);
  connect(model, &ListModel::RowsReset, this, &ListSelection::ShowCore);
}

// A reset of the model clears the selection through here too, with the signals
// blocked: nothing of it reaches the core.
void ListSelection::select(const QItemSelection& selection, SelectionFlags command) {
  bool outer = !std::exchange(inCommand_, true);
  QItemSelectionModel::select(selection, command);
  if (outer) inCommand_ = false;
}

void ListSelection::Forward(const QItemSelection& selected, const QItemSelection& deselected) {
  if (!inCommand_) return;
  auto apply = [&](const QItemSelection& ranges, bool on) {
    for (const QItemSelectionRange& range : ranges)
      for (int r = range.top(); r <= range.bottom() && r < model_->rowCount(); ++r)
        if (int position = model_->CoreRow(r)) list_.SetSelected(position, on);
  };
  apply(deselected, false);
  apply(selected, true);
}

void ListSelection::ShowCore() {
  QItemSelection selection;
  int n = model_->rowCount();
  auto selected = [&](int row) { return list_.Selected(model_->CoreRow(row)); };
  for (int r = 0; r < n; ++r) {
    if (!selected(r)) continue;
    int first = r;
    while (r + 1 < n && selected(r + 1)) ++r;
    selection.select(model_->index(first, 0), model_->index(r, kListColumnCount - 1));
  }
  // Past this class's select: showing the core is no command.
  QItemSelectionModel::select(selection, ClearAndSelect);
}

}  // namespace zweiblick
