// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "mainwindow/folder_entry.h"
#include "ui/folder_dialog.h"
#include "ui/form1.h"
#include "ui/message_box.h"

namespace zweiblick {
namespace {

// A style that orders dialog buttons the way one desktop does.
struct ButtonOrderStyle : QProxyStyle {
  explicit ButtonOrderStyle(int layout) : QProxyStyle(QStringLiteral("Fusion")), layout(layout) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_DialogButtonLayout) return layout;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
  int layout;
};

QStringList ButtonsLeftToRight(QMessageBox& box) {
  QMap<int, QString> byX;
  for (QAbstractButton* b : box.buttons()) byX[b->mapTo(&box, QPoint()).x()] = b->text();
  return byX.values();
}

TEST(GermanDialogs, FailureBoxReadsAbortRetryIgnoreInEveryDesktopsButtonOrder) {
  for (int layout : {QDialogButtonBox::WinLayout, QDialogButtonBox::MacLayout,
                     QDialogButtonBox::KdeLayout, QDialogButtonBox::GnomeLayout}) {
    std::unique_ptr<QMessageBox> box = MakeMessageBox(
        nullptr, "Abgleichsfehler:\r\rx", MsgIcon::kCritical, MsgButtons::kAbortRetryIgnore);
    ButtonOrderStyle style(layout);
    box->findChild<QDialogButtonBox*>()->setStyle(&style);
    box->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(ButtonsLeftToRight(*box), (QStringList{"&Abbrechen", "&Wiederholen", "&Ignorieren"}))
        << "button layout " << layout;
    EXPECT_EQ(box->defaultButton()->text(), "&Wiederholen");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->text(), "Abgleichsfehler:\n\nx");
    EXPECT_EQ(box->windowTitle(), "Zweiblick");
  }
}

// Keys pressed in the box the window opens. Deleting for good where a disk has
// no trash needs a deliberate "Ja": Enter and Escape answer No.
TEST(GermanDialogs, EscapeAbortsAndEnterRetriesAfterAFailure) {
  Form1 form;
  struct Case {
    MsgButtons buttons;
    Qt::Key key;
    MsgAnswer answer;
  };
  for (Case c : {Case{MsgButtons::kAbortRetryIgnore, Qt::Key_Escape, MsgAnswer::kAbort},
                 Case{MsgButtons::kAbortRetryIgnore, Qt::Key_Return, MsgAnswer::kRetry},
                 Case{MsgButtons::kYesNo, Qt::Key_Escape, MsgAnswer::kNo},
                 Case{MsgButtons::kYesNo, Qt::Key_Return, MsgAnswer::kNo},
                 Case{MsgButtons::kYesNo, Qt::Key_unknown, MsgAnswer::kYes}}) {
    QTimer::singleShot(0, [c] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      if (c.key != Qt::Key_unknown) return QTest::keyClick(box, c.key);
      for (QAbstractButton* b : box->buttons())
        if (b->text() == "&Ja") b->click();
    });
    EXPECT_EQ(form.Ports().ShowMessage("Abgleichsfehler:", MsgIcon::kCritical, c.buttons),
              c.answer);
  }
}

TEST(GermanDialogs, TheFolderDialogSpeaksGermanAndChoosesFoldersOnly) {
  FolderDialog dialog(nullptr, DisplayLines(kFolderPrompt));
  EXPECT_EQ(dialog.Prompt()->text(),
            "Bitte geben Sie den Namen des\nzu vergleichenden Ordners an:");
  QFileDialog* chooser = dialog.Chooser();
  EXPECT_EQ(chooser->fileMode(), QFileDialog::Directory);
  EXPECT_TRUE(chooser->testOption(QFileDialog::ShowDirsOnly));
  EXPECT_TRUE(chooser->testOption(QFileDialog::DontUseNativeDialog));
  EXPECT_EQ(chooser->directory().absolutePath(), QDir::homePath());
  EXPECT_EQ(chooser->findChild<QLineEdit*>("fileNameEdit")->text(), "");
  EXPECT_EQ(chooser->findChild<QLabel*>("lookInLabel")->text(), "Suchen in:");
  dialog.show();
  QTest::keyClick(chooser, Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.Folder(), "");
}

}  // namespace
}  // namespace zweiblick
