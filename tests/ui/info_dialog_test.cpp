#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "ui/form1.h"

namespace zweiblick {
namespace {

TEST(InfoDialogUi, OneModelessDialogWithItsLinks) {
  Form1 form;
  form.Core().Load("");
  std::vector<QUrl> opened;
  form.openUrl = [&](const QUrl& url) { opened.push_back(url); };
  form.Btn(10)->click();
  QDialog* dialog = form.InfoDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->parentWidget(), nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Info über Zweiblick");
  EXPECT_EQ(dialog->size(), QSize(626, 424));
  form.Btn(10)->click();
  EXPECT_EQ(form.InfoDialog(), dialog);  // brought to the front, not loaded again
  auto* label = dialog->findChild<QLabel*>("Label0");
  EXPECT_TRUE(label->text().startsWith(
      "Zweiblick (V2.6) – Verzeichnisvergleiche unter Linux leicht gemacht\n\n"));
  auto* image = dialog->findChild<QLabel*>("Image1");
  EXPECT_EQ(image->toolTip(),
            "Klicken Sie hier, um noch mehr interessante Melkart-Programme kennenzulernen ...");
  EXPECT_EQ(image->cursor().shape(), Qt::BitmapCursor);
  dialog->findChild<QPushButton*>("BtnUpdate")->click();
  dialog->findChild<QPushButton*>("BtnMail")->click();
  QTest::mouseClick(image, Qt::LeftButton);
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_TRUE(opened[0].toString().startsWith(
      "http://www.melkart.example/?find_update&app=zweiblick&ver=2.6.3&win="));
  EXPECT_EQ(opened[1].scheme(), "mailto");
  EXPECT_EQ(opened[2].host(), "www.melkart.example");
  for (const char* name : {"BtnUpdate", "BtnMail", "BtnClose"}) {
    auto* b = dialog->findChild<QPushButton*>(name);
    EXPECT_FALSE(b->isDefault()) << name;
    EXPECT_FALSE(b->autoDefault()) << name;
  }
  QTest::keyClick(dialog, Qt::Key_Escape);
  EXPECT_TRUE(dialog->isVisible());
  dialog->findChild<QPushButton*>("BtnClose")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(form.InfoDialog(), nullptr);
}

}  // namespace
}  // namespace zweiblick
