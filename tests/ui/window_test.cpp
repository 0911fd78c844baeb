#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "ui/form1.h"

namespace zweiblick {
namespace {

QSettings Stored() {
  return QSettings("Melkart Software", "Zweiblick");
}

// Each window starts without stored settings.
struct Cleared {
  Cleared() { Stored().clear(); }
};

struct WindowOptionsUi : ::testing::Test {
  Cleared cleared;
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
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(form.Btn(3)->toolTip(), "");
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(form.Btn(3)->toolTip(), "Kopiert den aktuellen Listeninhalt in die Zwischenablage");
}

TEST_F(WindowOptionsUi, StayingOnTopLeavesTheWindowWhereItIs) {
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

// How the program ends while an operation runs. Three files differ, the
// left ones newer.
struct Ending : ::testing::Test {
  Cleared cleared;
  QTemporaryDir dir;
  Form1 form;
  void SetUp() override {
    for (const char* side : {"l", "r"}) QDir(dir.path()).mkpath(side);
    for (const char* name : {"f1.txt", "f2.txt", "f3.txt"}) {
      Write(QStringLiteral("l/") + name, "neu");
      Write(QStringLiteral("r/") + name, "alt", 1);
    }
    form.Ports().messageBoxHook = [](const std::string&, MsgIcon, MsgButtons) {
      return MsgAnswer::kOk;
    };
  }
  void Write(const QString& name, const QString& text, int ageInYears = 0) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(text.toUtf8()), text.size());
    ASSERT_TRUE(f.flush());  // before the time: writing sets it anew
    f.setFileTime(QDateTime::currentDateTime().addYears(-ageInYears),
                  QFileDevice::FileModificationTime);
  }
  std::string RightFiles() {
    std::string contents;
    for (const char* name : {"f1.txt", "f2.txt", "f3.txt"}) {
      QFile f(dir.filePath(QStringLiteral("r/") + name));
      if (f.open(QIODevice::ReadOnly))
        contents += (contents.empty() ? "" : " ") + f.readAll().toStdString();
    }
    return contents;
  }
  // Presses "Dateien- &abgleich" after an age comparison and runs the
  // program's event loop; `atFirstYield` comes after the run's first row.
  // Returns the loop's exit code: 1 when the program went on after the run.
  int SynchroniseWith(std::function<void()> atFirstYield) {
    form.Core().Load("");
    form.Core().FillColumn(dir.filePath("l").toStdString(), true);
    form.Core().FillColumn(dir.filePath("r").toStdString(), false);
    form.Core().SelectCompMode(1);
    form.Core().CompareFiles(false);
    form.move(150, 120);
    QTimer wentOn;  // gone with the call, so that it cannot end a later loop
    wentOn.callOnTimeout([] { QCoreApplication::exit(1); });
    QTimer::singleShot(0, &form, [&] {
      QTimer::singleShot(0, &form, atFirstYield);
      form.Btn(kBtnSync)->click();
      wentOn.start(0);
    });
    return QApplication::exec();
  }
};

// Nobody is left to answer the run's questions: it stops after the row in
// hand, as after Abort, and the program ends.
TEST_F(Ending, ClosingDuringASynchronisationStopsItAfterTheRowThenTheProgramEnds) {
  EXPECT_EQ(SynchroniseWith([&] { form.close(); }), 0);
  EXPECT_EQ(RightFiles(), "alt alt neu");  // from the last row up: f3 only
  EXPECT_EQ(form.Core().Liste().Count(), 2);
  EXPECT_EQ(form.StatusPanel(2)->text(), "Status: Datenabgleich beendet.");
  EXPECT_EQ(Stored().value("Zweiblick/_Left").toString(), "2250");  // closed: stored
}

// The core stops the run; the window leaves its event loop without the
// unload handling.
TEST_F(Ending, EndDuringASynchronisationStopsItAfterTheRowThenTheProgramEnds) {
  EXPECT_EQ(SynchroniseWith([&] { form.Btn(kBtnEnd)->click(); }), 0);
  EXPECT_EQ(RightFiles(), "alt alt neu");  // from the last row up: f3 only
  EXPECT_EQ(form.Core().Liste().Count(), 2);
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(Stored().contains("Zweiblick/_Left"));
}

TEST_F(Ending, ClosingDuringABatchRunEndsTheProgramAfterTheRunningStep) {
  Write("lauf.ini", QStringLiteral("[Pfade]\nLinks=%1\nRechts=%2\n[AutoStart]\n"
                                   "Altersvergleich=1\nAbgleich=1\n")
                        .arg(dir.filePath("l"), dir.filePath("r")));
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
  EXPECT_EQ(RightFiles(), "alt alt alt");  // no later step ran hidden
  EXPECT_EQ(Stored().value("Zweiblick/_Left").toString(), "2250");
}

}  // namespace
}  // namespace zweiblick
