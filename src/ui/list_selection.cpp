#include "ui/list_selection.h"

#include <utility>

#include "list/comparison_list.h"
#include "ui/list_model.h"

namespace zweiblick {

ListSelection::ListSelection(ListModel* model, ComparisonList& list, QObject* parent)
    : QItemSelectionModel(model, parent), list_(list) {
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
      for (int r = range.top(); r <= range.bottom() && r < list_.Count(); ++r)
        list_.SetSelected(r + 1, on);
  };
  apply(deselected, false);
  apply(selected, true);
}

void ListSelection::ShowCore() {
  QItemSelection selection;
  int n = list_.Count();
  for (int r = 1; r <= n; ++r) {
    if (!list_.Selected(r)) continue;
    int first = r;
    while (r < n && list_.Selected(r + 1)) ++r;
    selection.select(model()->index(first - 1, 0), model()->index(r - 1, kColumnCount - 1));
  }
  // Past this class's select: showing the core is no command.
  QItemSelectionModel::select(selection, ClearAndSelect);
}

}  // namespace zweiblick
