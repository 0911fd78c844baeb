// SPDX-License-Identifier: GPL-3.0-or-later
// The text of status panel 1: how many rows the list holds, and how many of
// them are shown while some are hidden.
#pragma once

#include <string>

namespace zweiblick {

// "339 Dateien", "1 Datei"; with hidden rows "339 Dateien (12 gezeigt)".
std::string RowCountText(int rows, int shown);
inline std::string RowCountText(int rows) {
  return RowCountText(rows, rows);
}

}  // namespace zweiblick
