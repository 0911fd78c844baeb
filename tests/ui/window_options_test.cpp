#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
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

TEST_F(WindowOptionsUi, ControlsFollowTheSizeToolTipsSwitchStayOnTopKeepsTheGeometry) {
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

  auto* check = form.findChild<QCheckBox*>("ToolTipCheck");
  EXPECT_TRUE(check->isChecked());
  EXPECT_EQ(form.Btn(3)->toolTip(), "Kopiert den aktuellen Listeninhalt in die Zwischenablage");
  form.show();
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(form.Btn(3)->toolTip(), "");
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(form.Btn(3)->toolTip(), "Kopiert den aktuellen Listeninhalt in die Zwischenablage");

  QRect before = form.geometry();
  form.findChild<QCheckBox*>("MyTopMostChk")->click();
  EXPECT_TRUE(form.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(form.geometry(), before);
  form.findChild<QCheckBox*>("MyTopMostChk")->click();
  EXPECT_FALSE(form.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(form.isVisible());
}

TEST_F(WindowOptionsUi, ClosingStoresThePositionAndEndDoesNot) {
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

TEST(WindowOptionsBatch, ClosingDuringABatchRunEndsTheProgramAfterTheRunningStep) {
  Stored().clear();
  QTemporaryDir dir;
  for (const char* side : {"l", "r"}) QDir(dir.path()).mkpath(side);
  auto write = [&](const QString& name, const QString& text, int ageInYears = 0) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
    f.setFileTime(QDateTime::currentDateTime().addYears(-ageInYears),
                  QFileDevice::FileModificationTime);
  };
  write("l/f.txt", "neu");
  write("r/f.txt", "alt", 1);
  write("lauf.ini", QStringLiteral("[Pfade]\nLinks=%1\nRechts=%2\n[AutoStart]\n"
                                   "Altersvergleich=1\nAbgleich=1\n")
                        .arg(dir.filePath("l"), dir.filePath("r")));

  Form1 form;
  form.Ports().messageBoxHook = [](const std::string&, MsgIcon, MsgButtons) {
    return MsgAnswer::kAbort;
  };
  // The user closes the window while the left column fills.
  QTimer::singleShot(0, &form, [&] {
    form.move(150, 120);
    form.close();
  });
  form.Core().Load(dir.filePath("lauf.ini").toStdString());
  EXPECT_TRUE(form.EndRequested());  // the program does not go on into its event loop
  EXPECT_FALSE(form.isVisible());
  QFile right(dir.filePath("r/f.txt"));
  ASSERT_TRUE(right.open(QIODevice::ReadOnly));
  EXPECT_EQ(right.readAll(), "alt");  // no later step ran hidden
  EXPECT_EQ(Stored().value("Zweiblick/_Left").toString(), "2250");
}

}  // namespace
}  // namespace zweiblick
