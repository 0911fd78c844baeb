// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of the list that open the text comparison, and their markers
// after one of their files was saved there.
#pragma once

#include <string>

#include "mainwindow/main_window.h"

namespace zweiblick {

struct TextPair {
  std::string name;  // the left name, for the caption
  std::string leftName, rightName;
  std::string left, right;  // the two files' paths
};

// The pair of row `position` when the row has both names (whether the files
// are still there, the reading tells).
bool TextPairOfRow(const MainWindow& window, int position, TextPair& pair);

// "Zweiblick – Textvergleich: NAME"
std::string TextComparisonCaption(const TextPair& pair);

// After a save: the row of the pair (found by its names; the list may have
// been sorted since) gets its files' facts, stamps and a marker anew, as the
// comparison that marked the list writes it (MainWindow::CompareRowAgain). A
// row not compared yet stays without one, a row whose file is gone gets none.
// Returns the row, 0 when the pair is no longer in the list or another
// operation runs (its row is then left as it was).
int RecomputeRowMarker(MainWindow& window, const TextPair& pair);

}  // namespace zweiblick
