#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
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
  QList<QAbstractButton*> buttons = box.buttons();
  std::sort(buttons.begin(), buttons.end(), [&](QAbstractButton* a, QAbstractButton* b) {
    return a->mapTo(&box, QPoint()).x() < b->mapTo(&box, QPoint()).x();
  });
  QStringList texts;
  for (QAbstractButton* b : buttons) texts << b->text();
  return texts;
}

// Answers the message box the window opens with a key, as a user would.
MsgAnswer AnswerWithKey(Form1& form, Qt::Key key) {
  QTimer::singleShot(0, [key] {
    QWidget* box = QApplication::activeModalWidget();
    if (box) QTest::keyClick(box, key);
  });
  return form.ShowMessage("Abgleichsfehler:", MsgIcon::kCritical, MsgButtons::kAbortRetryIgnore);
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
  Form1 form;  // Escape aborts, Enter retries
  EXPECT_EQ(AnswerWithKey(form, Qt::Key_Escape), MsgAnswer::kAbort);
  EXPECT_EQ(AnswerWithKey(form, Qt::Key_Return), MsgAnswer::kRetry);
}

TEST(GermanDialogs, QtsOwnTextsAndTheFolderDialogAreGerman) {
  QMessageBox box;
  EXPECT_EQ(box.addButton(QMessageBox::Cancel)->text(), "Abbrechen");
  QLineEdit edit;
  std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
  EXPECT_TRUE(menu->actions().value(0)->text().startsWith("&Rückgängig"));

  FolderDialog dialog(nullptr, DisplayLines(kFolderPrompt));
  EXPECT_EQ(dialog.Prompt()->text(),
            "Bitte geben Sie den Namen des\nzu vergleichenden Ordners an:");
  EXPECT_EQ(dialog.windowTitle(), "Zweiblick");
  QFileDialog* chooser = dialog.Chooser();
  EXPECT_EQ(chooser->fileMode(), QFileDialog::Directory);
  EXPECT_TRUE(chooser->testOption(QFileDialog::ShowDirsOnly));
  EXPECT_TRUE(chooser->testOption(QFileDialog::DontUseNativeDialog));
  EXPECT_EQ(chooser->directory().absolutePath(), QDir::homePath());
  EXPECT_EQ(chooser->findChild<QLineEdit*>("fileNameEdit")->text(), "");
  EXPECT_EQ(chooser->findChild<QLabel*>("lookInLabel")->text(), "Suchen in:");
  QStringList buttons;
  for (QAbstractButton* b : chooser->findChild<QDialogButtonBox*>()->buttons())
    buttons << b->text();
  EXPECT_TRUE(buttons.contains("Abbrechen")) << buttons.join('|').toStdString();
  dialog.show();
  QTest::keyClick(chooser, Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.Folder(), "");
}

}  // namespace
}  // namespace zweiblick
