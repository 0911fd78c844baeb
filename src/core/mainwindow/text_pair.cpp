// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/text_pair.h"

#include <sys/stat.h>

#include "list/markers.h"
#include "reading/path_helpers.h"

namespace zweiblick {

bool TextPairOfRow(const MainWindow& window, int position, TextPair& pair) {
  const ComparisonList& list = window.Liste();
  if (position < 1 || position > list.Count()) return false;
  pair.leftName = list.Text(position, kLeftNameColumn);
  pair.rightName = list.Text(position, kRightNameColumn);
  if (pair.leftName.empty() || pair.rightName.empty()) return false;
  pair.name = pair.leftName;
  pair.left = window.Folders().LeftFolder + pair.leftName;
  pair.right = window.Folders().RightFolder + pair.rightName;
  return true;
}

std::string TextComparisonCaption(const TextPair& pair) {
  return "Zweiblick – Textvergleich: " + pair.name;
}

int RecomputeRowMarker(MainWindow& window, const TextPair& pair) {
  // A run under way has the list's facts as its check that no file changed
  // since it was read: they are left to it.
  if (window.Busy()) return 0;
  ComparisonList& list = window.Liste();
  int row = 0;
  list.ForEachMatch(pair.leftName, [&](int position) {
    if (list.View(position, kRightNameColumn) != pair.rightName) return true;
    row = position;
    return false;
  });
  if (row == 0) return 0;
  FileFacts facts[2];
  for (int side = 0; side < 2; ++side) {
    const std::string& path = side == 0 ? pair.left : pair.right;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) facts[side] = FactsOf(st);
    list.SetFacts(row, side == 0, facts[side]);
    list.SetText(row, side == 0 ? kLeftStampColumn : kRightStampColumn,
                 facts[side].Known() ? StampText(facts[side].mtimeSec) : "");
  }
  if (list.View(row, kMarkerColumn).empty()) return row;
  if (!facts[0].Known() || !facts[1].Known()) {
    list.SetText(row, kMarkerColumn, kMarkNone);
    return row;
  }
  window.CompareRowAgain(row);
  return row;
}

}  // namespace zweiblick
