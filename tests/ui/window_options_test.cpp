#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTableView>
#include <QTimer>
#include <QWindow>

#include "ui/form1.h"

namespace zweiblick {
namespace {

void ClearSettings() {
  QSettings("Melkart Software", "Zweiblick").clear();
}

TEST(WindowOptionsUi, ToolTipCheckSwitchesTheToolTips) {
  Form1 form;
  form.Core().Load("");
  auto* check = form.findChild<QCheckBox*>("ToolTipCheck");
  EXPECT_TRUE(check->isChecked());
  EXPECT_EQ(form.Btn(3)->toolTip(), "Kopiert den aktuellen Listeninhalt in die Zwischenablage");
  EXPECT_EQ(form.Pbar()->toolTip(), "Zeigt den aktuellen Verarbeitungsstand an.");
  form.show();
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(form.Btn(3)->toolTip(), "");
  EXPECT_EQ(form.Btn(0)->toolTip(), "Öffnet einen Dialog zur Verzeichnisauswahl");
  EXPECT_EQ(form.Btn(2)->toolTip(), "");  // the help button never has one
  QTest::mouseClick(check, Qt::LeftButton);
  EXPECT_EQ(form.Btn(3)->toolTip(), "Kopiert den aktuellen Listeninhalt in die Zwischenablage");
}

TEST(WindowOptionsUi, StayOnTopChangesNeitherPlaceNorSize) {
  Form1 form;
  form.Core().Load("");
  form.show();
  QRect before = form.geometry();
  form.findChild<QCheckBox*>("MyTopMostChk")->click();
  EXPECT_TRUE(form.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(form.geometry(), before);
  form.findChild<QCheckBox*>("MyTopMostChk")->click();
  EXPECT_FALSE(form.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(form.isVisible());
}

TEST(WindowOptionsUi, ControlsFollowTheWindowSize) {
  ClearSettings();
  Form1 form;
  form.Core().Load("");
  QSize start = form.size();
  QWidget* liste = form.Liste();
  QWidget* frame4 = form.findChild<QWidget*>("Frame4");
  int listWidth = liste->width(), frame4Left = frame4->x(), btn1Top = form.Btn(1)->y();
  int column1 = form.Liste()->horizontalHeader()->sectionSize(0);
  form.resize(start.width() + 200, start.height() + 40);
  QCoreApplication::processEvents();
  EXPECT_EQ(liste->width(), listWidth + 200);
  EXPECT_EQ(frame4->x(), frame4Left + 200);
  EXPECT_EQ(form.Btn(1)->y(), btn1Top + 40);
  EXPECT_EQ(form.Liste()->horizontalHeader()->sectionSize(0), column1 + 100);
  form.resize(start.width() - 100, start.height());
  QCoreApplication::processEvents();
  EXPECT_EQ(form.width(), start.width());
  EXPECT_EQ(liste->width(), listWidth);
}

TEST(WindowOptionsUi, ClosingStoresThePositionAndEndDoesNot) {
  ClearSettings();
  {
    Form1 form;
    form.Core().Load("");
    form.move(150, 120);
    form.close();
  }
  QSettings settings("Melkart Software", "Zweiblick");
  EXPECT_EQ(settings.value("Zweiblick/_Left").toString(), "2250");
  EXPECT_EQ(settings.value("Zweiblick/_Top").toString(), "1800");
  {
    Form1 form;
    form.Core().Load("");
    EXPECT_EQ(form.pos(), QPoint(150, 120));
    form.move(10, 10);
    form.endProcess = [] {};
    form.Btn(9)->click();
  }
  EXPECT_EQ(QSettings("Melkart Software", "Zweiblick").value("Zweiblick/_Left").toString(), "2250");
}

TEST(WindowOptionsUi, ClosingDuringABatchRunEndsTheProgramAfterTheRunningStep) {
  ClearSettings();
  QTemporaryDir dir;
  QDir(dir.path()).mkpath("l");
  QDir(dir.path()).mkpath("r");
  auto write = [&](const QString& name, const char* text, QDateTime time) {
    QFile f(dir.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.setFileTime(time, QFileDevice::FileModificationTime);
  };
  write("l/f.txt", "neu", QDateTime::currentDateTime());
  write("r/f.txt", "alt", QDateTime::currentDateTime().addYears(-1));
  QString ini = QStringLiteral(
                    "[Pfade]\nLinks=%1\nRechts=%2\n[AutoStart]\nAltersvergleich=1\n"
                    "Abgleich=1\n")
                    .arg(dir.filePath("l"), dir.filePath("r"));
  QFile control(dir.filePath("lauf.ini"));
  ASSERT_TRUE(control.open(QIODevice::WriteOnly));
  control.write(ini.toUtf8());
  control.close();

  Form1 form;
  form.messageBoxHook = [](const std::string&, MsgIcon, MsgButtons) { return MsgAnswer::kAbort; };
  // The user closes the window while the left column fills.
  QTimer::singleShot(0, &form, [&] {
    form.move(150, 120);
    form.close();
  });
  form.Core().Load(control.fileName().toStdString());
  EXPECT_TRUE(form.EndRequested());  // the program does not go on into its event loop
  EXPECT_FALSE(form.isVisible());
  QFile right(dir.filePath("r/f.txt"));
  ASSERT_TRUE(right.open(QIODevice::ReadOnly));
  EXPECT_EQ(right.readAll(), "alt");  // no later step ran hidden
  EXPECT_EQ(QSettings("Melkart Software", "Zweiblick").value("Zweiblick/_Left").toString(), "2250");
}

}  // namespace
}  // namespace zweiblick
