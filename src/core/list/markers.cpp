// SPDX-License-Identifier: GPL-3.0-or-later
#include "list/markers.h"

#include "list/comparison_list.h"

namespace zweiblick {

const char* PopupMarker(int index) {
  switch (index) {
    case 1:
      return kMarkCopyRight;
    case 2:
      return kMarkCopyLeft;
    case 4:
      return kMarkDeleteRight;
    case 5:
      return kMarkDeleteLeft;
    case 6:
      return kMarkDeleteBoth;
    case 8:
      return kMarkSkip;
    default:
      return nullptr;
  }
}

void ApplyRowAction(ComparisonList& list, int index) {
  const char* marker = PopupMarker(index);
  if (!marker) return;
  int count = list.Count();
  for (int i = 1; i <= count; ++i)
    if (list.Selected(i)) list.SetText(i, kMarkerColumn, marker);
}

}  // namespace zweiblick
