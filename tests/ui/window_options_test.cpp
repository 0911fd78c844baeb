#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <QWindow>

#include "ui/form1.h"

namespace zweiblick {
namespace {

QSettings Stored() {
  return QSettings("Melkart Software", "Zweiblick");
}

// A window started without stored settings.
struct WindowOptionsUi : ::testing::Test {
  struct Cleared {
    Cleared() { Stored().clear(); }
  } cleared;
  Form1 form;
  void SetUp() override { form.Core().Load(""); }
};

TEST_F(WindowOptionsUi, ControlsFollowTheWindowsSizeDownToItsStartingSize) {
  QSize start = form.size();
  QWidget* liste = form.Liste();
  QWidget* frame4 = form.findChild<QWidget*>("Frame4");
  QHeaderView* header = form.Liste()->horizontalHeader();
  int listWidth = liste->width(), frame4Left = frame4->x(), btn1Top = form.Btn(1)->y();
  int column1 = header->sectionSize(0);
  form.resize(start.width() + 200, start.height() + 40);
  QCoreApplication::processEvents();
  EXPECT_EQ(liste->width(), listWidth + 200);
  EXPECT_EQ(frame4->x(), frame4Left + 200);
  EXPECT_EQ(form.Btn(1)->y(), btn1Top + 40);
  EXPECT_EQ(header->sectionSize(0), column1 + 100);
  form.resize(start.width() - 100, start.height());
  QCoreApplication::processEvents();
  EXPECT_EQ(form.width(), start.width());
  EXPECT_EQ(liste->width(), listWidth);
}

TEST_F(WindowOptionsUi, TheToolTipOptionSwitchesTheToolTips) {
  auto* check = form.findChild<QCheckBox*>("ToolTipCheck");
  EXPECT_TRUE(check->isChecked());
  EXPECT_EQ(form.Btn(3)->toolTip(), "Kopiert den aktuellen Listeninhalt in die Zwischenablage");
  form.show();
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(form.Btn(3)->toolTip(), "");
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(form.Btn(3)->toolTip(), "Kopiert den aktuellen Listeninhalt in die Zwischenablage");
}

TEST_F(WindowOptionsUi, StayingOnTopLeavesTheWindowWhereItIs) {
  form.show();
  QRect before = form.geometry();
  form.findChild<QCheckBox*>("MyTopMostChk")->click();
  EXPECT_TRUE(form.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(form.geometry(), before);
  form.findChild<QCheckBox*>("MyTopMostChk")->click();
  EXPECT_FALSE(form.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(form.isVisible());
}

TEST_F(WindowOptionsUi, ClosingStoresThePositionEndDoesNot) {
  form.move(150, 120);
  form.close();
  EXPECT_EQ(Stored().value("Zweiblick/_Left").toString(), "2250");
  EXPECT_EQ(Stored().value("Zweiblick/_Top").toString(), "1800");
  Form1 again;
  again.Core().Load("");
  EXPECT_EQ(again.pos(), QPoint(150, 120));
  again.move(10, 10);
  again.Ports().endProcess = [] {};
  again.Btn(9)->click();
  EXPECT_EQ(Stored().value("Zweiblick/_Left").toString(), "2250");
}

}  // namespace
}  // namespace zweiblick
