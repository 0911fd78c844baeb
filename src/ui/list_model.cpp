#include "ui/list_model.h"

#include "mainwindow/screen_reader_texts.h"
#include "names/name_key.h"

namespace zweiblick {

ListModel::ListModel(ComparisonList& list, QObject* parent)
    : QAbstractTableModel(parent),
      list_(list),
      shownRows_(list.Count()),
      headersSeen_(list.HeaderRevision()) {
  list_.TakeChanges();
}

int ListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shownRows_;
}

int ListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

int ListModel::CoreRow(int row) const {
  int position = row + 1;
  const auto& steps = replaying_.Steps();
  for (size_t i = stepsShown_; i < steps.size(); ++i) {
    const ListChanges::Step& s = steps[i];
    if (s.kind != ListChanges::Step::kRemove || position < s.position) continue;
    if (position < s.position + s.count) return 0;
    position -= s.count;
  }
  return position <= list_.Count() ? position : 0;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  int column = index.column() + 1;
  if (role == Qt::DisplayRole) {
    int position = CoreRow(index.row());
    if (position == 0) return {};
    return QString::fromStdString(DisplayText(list_.View(position, column)));
  }
  // A screen reader says the marker's meaning, not its arrows.
  if (role == Qt::AccessibleTextRole && column == kMarkerColumn) {
    int position = CoreRow(index.row());
    if (position == 0) return {};
    return QString::fromStdString(SpokenMarker(std::string(list_.View(position, column))));
  }
  if (role == Qt::TextAlignmentRole) {
    return column == kMarkerColumn ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
  }
  return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole)
    return QString::fromStdString(DisplayText(list_.Header(section + 1)));
  if (role == Qt::TextAlignmentRole)
    return section + 1 == kMarkerColumn ? int(Qt::AlignCenter)
                                        : int(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void ListModel::Flush() {
  replaying_ = list_.TakeChanges();
  if (replaying_.Reordered()) {
    beginResetModel();
    replaying_ = ListChanges();
    shownRows_ = list_.Count();
    endResetModel();
    emit RowsReset();
  } else {
    // Each step is announced against the list as the views know it; CoreRow
    // maps their rows to the core's meanwhile.
    const auto& steps = replaying_.Steps();
    for (stepsShown_ = 0; stepsShown_ < steps.size();) {
      const ListChanges::Step& s = steps[stepsShown_];
      int first = s.position - 1, last = s.position + s.count - 2;
      if (s.kind == ListChanges::Step::kAppend) {
        beginInsertRows({}, first, last);
        shownRows_ += s.count;
        ++stepsShown_;
        endInsertRows();
      } else {
        beginRemoveRows({}, first, last);
        shownRows_ -= s.count;
        ++stepsShown_;
        endRemoveRows();
      }
    }
    int lastChanged = std::min(replaying_.LastChanged(), shownRows_);
    if (replaying_.FirstChanged() <= lastChanged)
      emit dataChanged(index(replaying_.FirstChanged() - 1, 0),
                       index(lastChanged - 1, kColumnCount - 1));
    replaying_ = ListChanges();
    stepsShown_ = 0;
  }
  if (list_.HeaderRevision() != headersSeen_) {
    headersSeen_ = list_.HeaderRevision();
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
  }
}

}  // namespace zweiblick
