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
  for (auto [button, popups] : {std::pair{1, 0}, {2, 1}, {4, 1}}) {
    w.ListMouseDown(button);
    w.ListClick();
    EXPECT_EQ(port.popups, popups) << button;
  }
  w.ListMenuKey();
  EXPECT_EQ(port.popups, 2);
  MainWindow::Operation running(w);  // no menu whose choice would be ignored
  w.ListMouseDown(2);
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

}  // namespace
}  // namespace zweiblick
