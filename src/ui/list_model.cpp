// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/list_model.h"

#include "list/facts_text.h"
#include "mainwindow/screen_reader_texts.h"
#include "names/name_key.h"
#include "ui/message_box.h"

namespace zweiblick {
namespace {

// Sizes line up at their units.
int Alignment(int column) {
  if (column == kMarkerColumn) return int(Qt::AlignCenter);
  if (column == kLeftSizeColumn || column == kRightSizeColumn)
    return int(Qt::AlignRight | Qt::AlignVCenter);
  return int(Qt::AlignLeft | Qt::AlignVCenter);
}

}  // namespace

ListModel::ListModel(ComparisonList& list, QObject* parent)
    : QAbstractTableModel(parent),
      list_(list),
      shownRows_(list.Count()),
      headersSeen_(list.HeaderRevision()) {
  list_.TakeChanges();
}

int ListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : filtering_ ? shown_.Count() : shownRows_;
}

int ListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kListColumnCount;
}

int ListModel::CoreRow(int row) const {
  if (filtering_) return shown_.Position(row);
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
    if (column > kColumnCount)
      return QString::fromStdString(FactsColumnText(list_, position, column));
    return QString::fromStdString(DisplayText(list_.View(position, column)));
  }
  if (role == Qt::ToolTipRole) {
    int position = rowToolTips_ ? CoreRow(index.row()) : 0;
    if (position == 0) return {};
    return DisplayLines(FactsToolTip(list_, position));
  }
  // A screen reader says the marker's meaning, not its arrows.
  if (role == Qt::AccessibleTextRole && column == kMarkerColumn) {
    int position = CoreRow(index.row());
    if (position == 0) return {};
    return QString::fromStdString(SpokenMarker(std::string(list_.View(position, column))));
  }
  if (role == Qt::TextAlignmentRole) return Alignment(column);
  return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kListColumnCount) return {};
  if (role == Qt::DisplayRole)
    return QString::fromStdString(DisplayText(list_.Header(section + 1)));
  if (role == Qt::TextAlignmentRole) return Alignment(section + 1);
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
    filtering_ = list_.HidesRows();
    if (filtering_) shown_.Rebuild(list_);
    endResetModel();
    emit RowsReset();
  } else if (filtering_) {
    ReplayShown();
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
                       index(lastChanged - 1, kListColumnCount - 1));
    replaying_ = ListChanges();
    stepsShown_ = 0;
  }
  if (list_.HeaderRevision() != headersSeen_) {
    headersSeen_ = list_.HeaderRevision();
    emit headerDataChanged(Qt::Horizontal, 0, kListColumnCount - 1);
  }
}

void ListModel::ReplayShown() {
  shown_.Replay(list_, replaying_, *this);
  int first = replaying_.FirstChanged(), last = replaying_.LastChanged();
  replaying_ = ListChanges();
  if (first > last) return;
  int top = shown_.RowFrom(first), bottom = shown_.RowFrom(last + 1) - 1;
  if (top <= bottom) emit dataChanged(index(top, 0), index(bottom, kListColumnCount - 1));
}

}  // namespace zweiblick
