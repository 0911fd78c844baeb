#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "ui/form1.h"

namespace zweiblick {
namespace {

QSettings Stored() {
  return QSettings("Melkart Software", "Zweiblick");
}

// How the program ends while an operation runs. Three files differ, the
// left ones newer; the window starts without stored settings.
struct Ending : ::testing::Test {
  struct Cleared {
    Cleared() { Stored().clear(); }
  } cleared;
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
    QTimer::singleShot(0, &form, [&] {
      QTimer::singleShot(0, &form, atFirstYield);
      form.Btn(kBtnSync)->click();
      QTimer::singleShot(0, [] { QCoreApplication::exit(1); });
    });
    return QApplication::exec();
  }
};

TEST_F(Ending, ClosingDuringASynchronisationLetsItFinishThenTheProgramEnds) {
  EXPECT_EQ(SynchroniseWith([&] { form.close(); }), 0);
  EXPECT_EQ(RightFiles(), "neu neu neu");
  EXPECT_EQ(form.Core().Liste().Count(), 0);
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
