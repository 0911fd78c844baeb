// SPDX-License-Identifier: GPL-3.0-or-later
#include "list/row_change.h"

namespace zweiblick {

std::string_view RowChangeText(RowChange change) {
  switch (change) {
    case RowChange::kNone:
      return {};
    case RowChange::kUnchanged:
      return "unverändert";
    case RowChange::kLeftNew:
      return "links neu";
    case RowChange::kRightNew:
      return "rechts neu";
    case RowChange::kLeftChanged:
      return "links geändert";
    case RowChange::kRightChanged:
      return "rechts geändert";
    case RowChange::kLeftRenamed:
      return "links umbenannt (Groß-/Kleinschreibung)";
    case RowChange::kRightRenamed:
      return "rechts umbenannt (Groß-/Kleinschreibung)";
    case RowChange::kLeftDeleted:
      return "links gelöscht";
    case RowChange::kRightDeleted:
      return "rechts gelöscht";
    case RowChange::kLeftDeletedRightChanged:
      return "links gelöscht, rechts geändert – wird zurückkopiert";
    case RowChange::kRightDeletedLeftChanged:
      return "rechts gelöscht, links geändert – wird zurückkopiert";
    case RowChange::kBothChangedEqual:
      return "beide geändert, gleicher Inhalt";
    case RowChange::kBothNewEqual:
      return "beide neu, gleicher Inhalt";
    case RowChange::kBothChangedConflict:
      return "beide geändert – Konflikt";
    case RowChange::kBothNewConflict:
      return "beide neu, verschieden – Konflikt";
    case RowChange::kLeftDeletedHeld:
      return "links gelöscht – zurückgehalten, zu viel fehlt";
    case RowChange::kRightDeletedHeld:
      return "rechts gelöscht – zurückgehalten, zu viel fehlt";
    case RowChange::kUnreadable:
      return "beide geändert – nicht lesbar";
  }
  return {};
}

}  // namespace zweiblick
