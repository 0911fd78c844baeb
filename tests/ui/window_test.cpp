// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "ui/form1.h"
#include "ui/list_model.h"

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

// Switching back on is WindowOptions.ToolTipsOnOffOnAndStayOnTop's.
TEST_F(WindowOptionsUi, ToolTipsGoOffAndStayingOnTopLeavesTheWindowWhereItIs) {
  auto* check = form.findChild<QCheckBox*>("ToolTipCheck");
  EXPECT_TRUE(check->isChecked());
  EXPECT_EQ(form.Btn(3)->toolTip(), "Kopiert den aktuellen Listeninhalt in die Zwischenablage");
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(form.Btn(3)->toolTip(), "");
  QRect before = form.geometry();
  form.findChild<QCheckBox*>("MyTopMostChk")->click();
  EXPECT_TRUE(form.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(form.geometry(), before);
  form.findChild<QCheckBox*>("MyTopMostChk")->click();
  EXPECT_FALSE(form.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(form.isVisible());
}

TEST_F(WindowOptionsUi, ClosingStoresThePositionAndSizeEndDoesNot) {
  form.move(150, 120);
  form.resize(700, 500);
  form.close();
  EXPECT_EQ(Stored().value("Zweiblick/_Left").toString(), "2250");
  EXPECT_EQ(Stored().value("Zweiblick/_Top").toString(), "1800");
  Form1 again;
  again.Core().Load("");
  EXPECT_EQ(again.pos(), QPoint(150, 120));
  EXPECT_EQ(again.size(), QSize(700, 500));
  again.move(10, 10);
  again.Ports().endProcess = [] {};
  again.Btn(9)->click();
  EXPECT_EQ(Stored().value("Zweiblick/_Left").toString(), "2250");

  // Maximised, it comes back maximised, and goes back to its own size.
  Form1 third;
  third.Core().Load("");
  third.showMaximized();
  QCoreApplication::processEvents();
  ASSERT_TRUE(third.isMaximized());
  third.close();
  EXPECT_EQ(Stored().value("Zweiblick/_Maximized").toString(), "1");
  EXPECT_EQ(Stored().value("Zweiblick/_Width").toString(), "10500");
  Form1 fourth;
  fourth.Core().Load("");
  EXPECT_TRUE(fourth.isMaximized());
  fourth.showNormal();
  QCoreApplication::processEvents();
  EXPECT_EQ(fourth.size(), QSize(700, 500));
}

// Operations in the real window: what panel 1 says, how they stop, how the
// program ends meanwhile. Three files differ, the left ones newer.
struct Ending : ::testing::Test {
  Cleared cleared;
  QTemporaryDir dir;
  Form1 form;
  std::vector<std::string> messages;
  void SetUp() override {
    for (const char* side : {"l", "r"}) QDir(dir.path()).mkpath(side);
    for (const char* name : {"f1.txt", "f2.txt", "f3.txt"}) {
      Write(QStringLiteral("l/") + name, "neu");
      Write(QStringLiteral("r/") + name, "alt", 1);
    }
    form.Ports().messageBoxHook = [this](const std::string& text, MsgIcon, MsgButtons) {
      messages.push_back(text);
      return MsgAnswer::kOk;
    };
  }
  QString Panel(int panel) { return form.StatusPanel(panel)->text(); }
  QString Cell(int row, int column) { return form.Model().index(row, column).data().toString(); }
  void Compared() {
    form.Core().Load("");
    form.Core().FillColumn(dir.filePath("l").toStdString(), true);
    form.Core().FillColumn(dir.filePath("r").toStdString(), false);
    form.Core().SelectCompMode(1);
    form.Core().CompareFiles(false);
  }
  // Runs `start` in the program's event loop; `atFirstYield` comes at the
  // operation's first yield. Returns the loop's exit code: 1 when the program
  // went on after the operation.
  int RunWith(std::function<void()> start, std::function<void()> atFirstYield) {
    QTimer wentOn;  // gone with the call, so that it cannot end a later loop
    wentOn.callOnTimeout([] { QCoreApplication::exit(1); });
    QTimer::singleShot(0, &form, [&] {
      QTimer::singleShot(0, &form, atFirstYield);
      start();
      wentOn.start(0);
    });
    return QApplication::exec();
  }
  void PressEscape() { QTest::keyClick(&form, Qt::Key_Escape); }
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
    Compared();
    form.move(150, 120);
    return RunWith([&] { form.Btn(kBtnSync)->click(); }, atFirstYield);
  }
};

// Before a run panel 1 says what it would do, from the markers as they stand.
TEST_F(Ending, PanelOneShowsThePlanOnceThereAreMarkers) {
  form.Core().Load("");
  form.Core().FillColumn(dir.filePath("l").toStdString(), true);
  form.Core().FillColumn(dir.filePath("r").toStdString(), false);
  EXPECT_EQ(Panel(1), "3 Dateien");  // only read, nothing compared yet
  form.Core().SelectCompMode(1);
  form.Core().CompareFiles(false);
  EXPECT_EQ(Panel(1), "3 Dateien · Abgleich: → 3 (9 B)");
  form.Core().Liste().SetSelected(1, true);
  form.Core().PopupItemClick(6);  // "XX  beide löschen": two files
  EXPECT_EQ(Panel(1), "3 Dateien · Abgleich: → 2 (6 B), löschen rechts 1, links 1");
}

// The box tells why, and one tick spares the user every later box of the run.
TEST_F(Ending, TheFailureBoxSaysWhyAndItsCheckBoxIgnoresEveryLaterFailure) {
  for (const char* name : {"r/f1.txt", "r/f3.txt"})  // root obeys no bits, our copy does
    ASSERT_TRUE(QFile(dir.filePath(name)).setPermissions(QFile::ReadOwner));
  Compared();
  form.Ports().messageBoxHook = nullptr;
  QStringList reasons;
  QTimer answer;
  answer.callOnTimeout([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    reasons << box->informativeText();
    ASSERT_NE(box->checkBox(), nullptr);
    EXPECT_EQ(box->checkBox()->text(), "Alle weiteren Fehler dieses Abgleichs ignorieren");
    box->checkBox()->setChecked(true);
    box->buttons().at(2)->click();  // "&Ignorieren"
  });
  answer.start(10);
  form.Btn(kBtnSync)->click();
  EXPECT_EQ(reasons, QStringList{"Grund: Die Datei oder ihr Ordner ist schreibgeschützt, oder "
                                 "die Berechtigung fehlt."});
  EXPECT_EQ(RightFiles(), "alt neu alt");  // f3 failed and asked, f2 copied, f1 failed silently
  EXPECT_EQ(Panel(1), "2 Dateien · 1 kopiert, 1 im Papierkorb, 2 fehlgeschlagen");
  EXPECT_EQ(Panel(2), "Status: Datenabgleich beendet.");

  // The rows that failed stay and say why once the boxes are gone.
  const QString why =
      "Die Datei oder ihr Ordner ist schreibgeschützt, oder die Berechtigung fehlt.";
  EXPECT_FALSE(form.Liste()->isColumnHidden(kFailureColumn - 1));
  EXPECT_EQ(form.Model().headerData(kFailureColumn - 1, Qt::Horizontal, Qt::DisplayRole).toString(),
            "Fehler");
  for (int row : {0, 1}) {
    QModelIndex failed = form.Model().index(row, kFailureColumn - 1);
    EXPECT_EQ(failed.data().toString(), why);
    EXPECT_TRUE(failed.data(Qt::ToolTipRole).toString().endsWith("\nFehler: " + why));
  }
  // F5 reads both folders again and repeats the age comparison.
  form.Ports().messageBoxHook = [](const std::string&, MsgIcon, MsgButtons) {
    return MsgAnswer::kOk;
  };
  auto* f5 = form.findChild<QShortcut*>("ReloadShortcut");
  ASSERT_EQ(f5->key(), QKeySequence(Qt::Key_F5));
  emit f5->activated();
  QStringList rows;
  for (int r = 0; r < form.Model().rowCount(); ++r)
    rows << QStringList{Cell(r, 0), Cell(r, 1), Cell(r, 2)}.join(' ');
  EXPECT_EQ(rows, (QStringList{"f1.txt --> f1.txt", "f2.txt = f2.txt", "f3.txt --> f3.txt"}));
  EXPECT_TRUE(form.Liste()->isColumnHidden(kFailureColumn - 1));
  // The button beside the folder buttons does the same.
  ASSERT_TRUE(QFile::remove(dir.filePath("l/f2.txt")) && QFile::remove(dir.filePath("r/f2.txt")));
  form.BtnReload()->click();
  EXPECT_EQ(form.Model().rowCount(), 2);
}

// Escape stops a run after the row in hand, as Abort does; the rows not yet
// carried out keep their markers, and the account says what was done.
TEST_F(Ending, EscapeDuringASynchronisationStopsItAfterTheRowAndShowsTheAccount) {
  QString whileRunning;
  EXPECT_EQ(SynchroniseWith([&] {
              whileRunning = Panel(1);
              PressEscape();
            }),
            1);
  EXPECT_EQ(whileRunning, "Esc bricht ab");
  EXPECT_EQ(RightFiles(), "alt alt neu");
  EXPECT_EQ(form.Core().Liste().Text(2, kMarkerColumn), "-->");
  EXPECT_EQ(Panel(1), "2 Dateien · 1 kopiert, 1 im Papierkorb");
  EXPECT_EQ(Panel(2), "Status: Datenabgleich abgebrochen.");
  EXPECT_FALSE(form.Core().Busy());
  // The next run is not stopped by that Escape.
  form.Btn(kBtnSync)->click();
  EXPECT_EQ(RightFiles(), "neu neu neu");
}

// A stopped comparison gives no verdict for the rows it did not reach, not
// even the one they had before, and no summary. The speed option, which
// skips the yields, does not keep Escape out.
TEST_F(Ending, EscapeDuringAComparisonLeavesTheRowsNotReachedWithoutMarker) {
  for (int i = 0; i < 7; ++i) Write(QStringLiteral("l/g%1.txt").arg(i), "nur links");
  Compared();  // ten rows with markers
  messages.clear();
  form.findChild<QCheckBox*>("SpeedCheck")->setChecked(true);
  RunWith([&] { form.Btn(kBtnCompare)->click(); }, [&] { PressEscape(); });
  const ComparisonList& list = form.Core().Liste();
  ASSERT_EQ(list.Count(), 10);
  for (int r = 1; r <= 10; ++r)
    EXPECT_EQ(list.Text(r, kMarkerColumn).empty(), r > 8) << "row " << r;  // a yield every 8th
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Panel(2), "Status: Altersvergleich abgebrochen.");
  EXPECT_TRUE(form.Btn(kBtnCompare)->isEnabled());
}

// A stopped filling leaves no half column: the left one leaves an empty list,
// the right one the left column alone.
TEST_F(Ending, EscapeDuringAFillingLeavesTheListAsBeforeIt) {
  for (int i = 0; i < 70; ++i) Write(QStringLiteral("r/x%1.txt").arg(i), "nur rechts");
  form.Core().Load("");
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));  // Escape is the active window's
  RunWith([&] { form.Core().FillColumn(dir.filePath("l").toStdString(), true); },
          [&] { PressEscape(); });
  EXPECT_EQ(form.Core().Liste().Count(), 0);
  EXPECT_EQ(Panel(1), "0 Dateien");
  EXPECT_EQ(form.Core().Liste().Header(1), "Erster Ordner");

  form.Core().FillColumn(dir.filePath("l").toStdString(), true);
  // Escape once the right filling has entered files (past the walk's yield).
  const ComparisonList& list = form.Core().Liste();
  QTimer press;
  press.callOnTimeout([&] {
    if (list.Count() > 3) PressEscape();
  });
  press.start(0);
  form.Core().FillColumn(dir.filePath("r").toStdString(), false);
  ASSERT_EQ(list.Count(), 3);
  for (int r = 1; r <= 3; ++r) {
    EXPECT_EQ(list.Text(r, kRightNameColumn), "") << "row " << r;
    EXPECT_FALSE(list.Facts(r, false).Known()) << "row " << r;
  }
  EXPECT_EQ(list.Header(3), "Zweiter Ordner");
  EXPECT_EQ(Panel(1), "3 Dateien");
  EXPECT_EQ(Panel(2), "Status: Einlesen des Ordners abgebrochen.");
}

// Nobody is left to answer the run's questions: it stops after the row in
// hand, as after Abort, and the program ends.
TEST_F(Ending, ClosingDuringASynchronisationStopsItAfterTheRowThenTheProgramEnds) {
  EXPECT_EQ(SynchroniseWith([&] { form.close(); }), 0);
  EXPECT_EQ(RightFiles(), "alt alt neu");  // from the last row up: f3 only
  EXPECT_EQ(form.Core().Liste().Count(), 2);
  EXPECT_EQ(Stored().value("Zweiblick/_Left").toString(), "2250");  // closed: stored
}

// The core stops the run; the window leaves its event loop without the
// unload handling.
TEST_F(Ending, EndDuringASynchronisationStopsItAfterTheRowThenTheProgramEnds) {
  EXPECT_EQ(SynchroniseWith([&] { form.Btn(kBtnEnd)->click(); }), 0);
  EXPECT_EQ(RightFiles(), "alt alt neu");  // from the last row up: f3 only
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
