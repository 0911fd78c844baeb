// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "fake_window.h"
#include "mainwindow/main_window.h"

namespace zweiblick {
namespace {

using testing::FakeWindow;

struct Window : ::testing::Test {
  FakeWindow port;
  MainWindow w{port};
  void Fill(std::initializer_list<std::pair<const char*, const char*>> rows) {
    for (auto& [left, right] : rows) {
      int r = w.Liste().Add(w.Liste().Count() + 1, left);
      w.Liste().SetText(r, kRightNameColumn, right);
    }
  }
  std::vector<std::string> Column(int c) {
    std::vector<std::string> out;
    for (int i = 1; i <= w.Liste().Count(); ++i) out.push_back(w.Liste().Text(i, c));
    return out;
  }
};

TEST_F(Window, StartUpLeavesTheIdleStateAndTheButtonsAnswer) {
  w.Liste().Add(1, "left over");
  w.Load("");
  EXPECT_EQ(port.caption, "Zweiblick");
  EXPECT_TRUE(port.options[Option::kToolTips]);
  EXPECT_TRUE(w.ToolTips());
  EXPECT_TRUE(port.options[Option::kCompModeBinary]);
  EXPECT_FALSE(port.options[Option::kCompModeAge]);
  EXPECT_FALSE(port.buttonEnabled[kBtnSync]);
  EXPECT_TRUE(w.CompareButtonEnabled());
  EXPECT_EQ(w.Liste().Count(), 0);
  EXPECT_TRUE(port.shown);
  // The comparison type couples the synchronisation button.
  w.CompModeOptClick(1);
  EXPECT_TRUE(port.buttonEnabled[kBtnSync]);
  EXPECT_FALSE(w.BinaryCompareSelected());
  w.CompModeOptClick(0);
  EXPECT_FALSE(port.buttonEnabled[kBtnSync]);
  EXPECT_TRUE(w.BinaryCompareSelected());
  // Invisible buttons do nothing; the end button ends at once.
  for (int button : std::initializer_list<int>{kBtnSaveParams, kBtnLoadParams, 6, 42})
    w.BtnClick(button);
  EXPECT_EQ(port.ended, 0);
  EXPECT_TRUE(port.messages.empty());
  w.BtnClick(kBtnEnd);
  EXPECT_EQ(port.ended, 1);
}

TEST_F(Window, StatusPanelTwoGetsItsPrefixOnlyForText) {
  w.Run().SetStatus(2, "Fertig.");
  EXPECT_EQ(port.panels[2], "Status: Fertig.");
  w.Run().SetStatus(2, "");
  EXPECT_EQ(port.panels[2], "");
  w.Run().SetStatus(1, "3 Dateien");
  EXPECT_EQ(port.panels[1], "3 Dateien");
}

TEST_F(Window, HeaderClicksSortNewColumnsInTheCurrentDirection) {
  Fill({{"b.txt", "Y.txt"}, {"", "z.txt"}, {"a.txt", ""}, {"C.txt", "x.txt"}});
  w.ColumnClick(3);  // first click: column 3 ascending
  EXPECT_EQ(Column(3), (std::vector<std::string>{"", "x.txt", "Y.txt", "z.txt"}));
  w.ColumnClick(3);  // same column: descending
  EXPECT_EQ(Column(3), (std::vector<std::string>{"z.txt", "Y.txt", "x.txt", ""}));
  w.ColumnClick(1);  // new column keeps the direction
  EXPECT_EQ(Column(1), (std::vector<std::string>{"C.txt", "b.txt", "a.txt", ""}));
  EXPECT_EQ(w.SortColumn(), 1);
  w.ColumnClick(1);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"", "a.txt", "b.txt", "C.txt"}));
}

TEST_F(Window, PopupOpensOnlyAfterARightButtonPress) {
  w.ListClick();
  EXPECT_EQ(port.popups, 0);
  // The button pressed, and the menus shown since; whether or not a row lies under the mouse.
  for (auto [button, popups] :
       {std::pair{MouseButton::kLeft, 0}, {MouseButton::kRight, 1}, {MouseButton::kMiddle, 1}}) {
    w.ListMouseDown(button);
    w.ListClick();
    EXPECT_EQ(port.popups, popups) << int(button);
  }
  w.ListMenuKey();
  EXPECT_EQ(port.popups, 2);
  MainWindow::Operation running(w);  // no menu whose choice would be ignored
  w.ListMouseDown(MouseButton::kRight);
  w.ListClick();
  w.ListMenuKey();
  EXPECT_EQ(port.popups, 2);
}

TEST_F(Window, ASecondLongOperationIsIgnoredWhileOneRuns) {
  Fill({{"b", ""}, {"a", ""}});
  MainWindow::Operation running(w);
  ASSERT_TRUE(running);
  w.ColumnClick(1);  // arrives during a yield of the running operation
  EXPECT_EQ(Column(1), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(w.SortColumn(), 0);
  MainWindow::Operation second(w);
  EXPECT_FALSE(second);
  w.BtnClick(kBtnLeftFolder);  // its folder would be ignored: no dialog at all
  EXPECT_TRUE(port.prompts.empty());
}

TEST_F(Window, EndOrClosingDuringARunStopsItAtItsNextYield) {
  Fill({{"1", ""}, {"2", ""}, {"3", ""}, {"4", ""}, {"5", ""}});
  port.onYield = [&] {
    if (port.yields == 2) w.BtnClick(kBtnEnd);
  };
  w.SynchronizeFolders();
  // Rows 5 and 4 were carried out; the run ended as after Abort, then the program.
  EXPECT_EQ(Column(1), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(port.statusHistory.back(), "Status: Datenabgleich abgebrochen.");
  EXPECT_EQ(port.ended, 1);
  w.CompareFiles(true);  // nothing starts any more
  EXPECT_EQ(w.Liste().Text(1, kMarkerColumn), "");

  // Closing the window stops the running step the same way, then ends.
  MainWindow other{port};
  for (const char* name : {"a", "b", "c"}) other.Liste().Add(other.Liste().Count() + 1, name);
  port.yields = 0;
  port.onYield = [&] {
    if (port.yields == 1) other.Unload();
  };
  other.SynchronizeFolders();
  EXPECT_EQ(other.Liste().Count(), 2);
  EXPECT_TRUE(other.Ending());
  EXPECT_EQ(port.ended, 2);
  other.CompareFiles(true);
  EXPECT_EQ(port.statusHistory.back(), "Status: Datenabgleich abgebrochen.");
}

}  // namespace
}  // namespace zweiblick
