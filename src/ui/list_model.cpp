#include "ui/list_model.h"

#include "mainwindow/name_key.h"

namespace zweiblick {

ListModel::ListModel(ComparisonList& list, QObject* parent)
    : QAbstractTableModel(parent),
      list_(list),
      shownRows_(list.Count()),
      layoutSeen_(list.LayoutRevision()),
      contentSeen_(list.ContentRevision()),
      headersSeen_(list.HeaderRevision()) {}

int ListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shownRows_;
}

int ListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= list_.Count()) return {};
  int column = index.column() + 1;
  if (role == Qt::DisplayRole) {
    return QString::fromStdString(DisplayText(list_.Text(index.row() + 1, column)));
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
  int count = list_.Count();
  if (list_.LayoutRevision() != layoutSeen_ || count < shownRows_) {
    beginResetModel();
    shownRows_ = count;
    layoutSeen_ = list_.LayoutRevision();
    contentSeen_ = list_.ContentRevision();
    endResetModel();
    emit RowsReset();
  } else {
    if (count > shownRows_) {
      beginInsertRows({}, shownRows_, count - 1);
      shownRows_ = count;
      endInsertRows();
    }
    if (list_.ContentRevision() != contentSeen_) {
      contentSeen_ = list_.ContentRevision();
      if (shownRows_ > 0) emit dataChanged(index(0, 0), index(shownRows_ - 1, kColumnCount - 1));
    }
  }
  if (list_.HeaderRevision() != headersSeen_) {
    headersSeen_ = list_.HeaderRevision();
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
  }
}

}  // namespace zweiblick
