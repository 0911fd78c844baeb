// SPDX-License-Identifier: GPL-3.0-or-later
// A window over two real temporary folders, filled the way the user fills them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_window.h"
#include "mainwindow/main_window.h"
#include "reading/fill_column.h"
#include "temp_tree.h"

namespace zweiblick::testing {

struct TwoFolders {
  FakeWindow port;
  MainWindow w{port};
  TempTree left, right;

  // The same name on both sides; times in seconds since the epoch when given.
  void Both(const std::string& name, const std::string& l, const std::string& r, long lt = 0,
            long rt = 0) {
    left.Write(name, l, lt);
    right.Write(name, r, rt);
  }
  void Fill() {
    w.FillColumn(left.Path(), true);
    w.FillColumn(right.Path(), false);
  }
  // The row whose left or right name is `name`; 0 when there is none.
  int Row(const std::string& name) {
    for (int i = 1; i <= w.Liste().Count(); ++i)
      if (w.Liste().Text(i, kLeftNameColumn) == name || w.Liste().Text(i, kRightNameColumn) == name)
        return i;
    return 0;
  }
  std::string Marker(const std::string& name) {
    int r = Row(name);
    return r ? w.Liste().Text(r, kMarkerColumn) : "<no row>";
  }
  void Mark(const std::string& name, const char* marker) {
    w.Liste().SetText(Row(name), kMarkerColumn, marker);
  }
  // Columns 1 to 3 of every row.
  std::vector<std::vector<std::string>> Rows() {
    std::vector<std::vector<std::string>> out;
    for (int i = 1; i <= w.Liste().Count(); ++i)
      out.push_back({w.Liste().Text(i, 1), w.Liste().Text(i, 2), w.Liste().Text(i, 3)});
    return out;
  }
};

struct TwoTrees : ::testing::Test, TwoFolders {};

}  // namespace zweiblick::testing
