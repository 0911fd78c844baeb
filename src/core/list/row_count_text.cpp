// SPDX-License-Identifier: GPL-3.0-or-later
#include "list/row_count_text.h"

namespace zweiblick {

std::string RowCountText(int rows, int shown) {
  std::string text = std::to_string(rows) + (rows == 1 ? " Datei" : " Dateien");
  if (shown != rows) text += " (" + std::to_string(shown) + " gezeigt)";
  return text;
}

}  // namespace zweiblick
