// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "list/facts_text.h"
#include "ui/form1.h"
#include "ui/list_model.h"

namespace zweiblick {
namespace {

struct Form1Test : ::testing::Test {
  Form1 form;
  void SetUp() override { form.Core().Load(""); }  // shows the window
  QString Cell(int row, int column) { return form.Model().index(row, column).data().toString(); }
  void AddRows(std::initializer_list<const char*> names) {
    for (const char* n : names) form.Core().Liste().Add(form.Core().Liste().Count() + 1, n);
    form.Flush();
  }
};

TEST_F(Form1Test, ControlsHaveTheirCaptionsAndPlaces) {
  EXPECT_EQ(form.windowTitle(), "Zweiblick");
  EXPECT_EQ(form.size(), QSize(582, 414));
  EXPECT_EQ(form.windowIcon().pixmap(32).size(), QSize(32, 32));
  EXPECT_EQ(form.Btn(8)->text(), "Dateien-\n&vergleich");
  EXPECT_EQ(form.Btn(1)->parentWidget(), &form);
  EXPECT_EQ(form.Btn(1)->geometry(), QRect(476, 264, 93, 25));
  EXPECT_FALSE(form.Btn(4)->isVisibleTo(&form) || form.Btn(5)->isVisibleTo(&form));
  EXPECT_EQ(form.Liste()->geometry(), QRect(8, 16, 557, 237));
  EXPECT_EQ(form.Liste()->horizontalHeader()->sectionSize(1), 53);
  EXPECT_TRUE(form.Liste()->isColumnHidden(4) && form.Liste()->isColumnHidden(5));
  EXPECT_EQ(form.Model().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
            "Erster Ordner");
}

TEST_F(Form1Test, TheBusyPointerIsTheWindowsAlone) {
  form.Ports().ShowBusyPointer(true);
  EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // message boxes keep the arrow
  form.Ports().ShowBusyPointer(false);
  EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
}

// Focus starts in the list.
TEST_F(Form1Test, TabFollowsReadingOrder) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  ASSERT_EQ(QApplication::focusWidget(), form.Liste());
  QStringList order;
  for (int i = 0; i < 15; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order << QApplication::focusWidget()->objectName();
  }
  // Tab stops at the selected comparison type only (the arrow keys choose), and
  // passes "Dateien- &abgleich", disabled while the binary comparison is selected.
  EXPECT_EQ(
      order.join(' ').toStdString(),
      "Btn0 Btn1 BtnReload CompModeOpt0 Btn8 Btn3 Btn2 Btn10 Btn9 SofortStartCheck MyTopMostChk "
      "ToolTipCheck DiffOnlyCheck SpeedCheck Liste");
}

TEST_F(Form1Test, OnlyTheAgeComparisonEnablesSynchronisation) {
  QTest::mouseClick(form.CompModeOpt(1), Qt::LeftButton);
  EXPECT_TRUE(form.Btn(7)->isEnabled());
  QTest::mouseClick(form.CompModeOpt(0), Qt::LeftButton);
  EXPECT_FALSE(form.Btn(7)->isEnabled());
}

// Every control that takes the focus has a name and a description, with the
// tool tips off too.
TEST_F(Form1Test, AScreenReaderHearsEveryControl) {
  form.Core().ToolTipCheckClick(false);
  auto spoken = [](QObject* o, QAccessible::Text t) {
    return QAccessible::queryAccessibleInterface(o)->text(t);
  };
  int controls = 0;
  for (QWidget* w : form.findChildren<QWidget*>()) {
    if (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(&form)) continue;
    ++controls;
    EXPECT_NE(spoken(w, QAccessible::Name), "") << w->objectName().toStdString();
    EXPECT_NE(spoken(w, QAccessible::Description), "") << w->objectName().toStdString();
  }
  EXPECT_EQ(controls, 18);
  EXPECT_TRUE(spoken(form.Btn(0), QAccessible::Name).contains("linke Spalte"));
  EXPECT_TRUE(spoken(form.Btn(1), QAccessible::Name).contains("rechte Spalte"));
  EXPECT_EQ(spoken(form.Btn(8), QAccessible::Name), "Dateienvergleich");
  EXPECT_NE(spoken(form.Pbar(), QAccessible::Description), "");
  form.Ports().ShowStatusPanel(1, "2");
  EXPECT_EQ(spoken(form.StatusPanel(1), QAccessible::Name), "2");  // what the panel shows
}

TEST_F(Form1Test, AScreenReaderReadsTheListAsATable) {
  AddRows({"a.txt", "b.txt"});
  QAccessibleTableInterface* table =
      QAccessible::queryAccessibleInterface(form.Liste())->tableInterface();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->rowCount(), 2);
  EXPECT_EQ(table->cellAt(1, 0)->text(QAccessible::Name), "b.txt");
  EXPECT_EQ(table->columnDescription(0), "Erster Ordner");
  form.Core().Liste().SetText(2, 2, "-->");
  form.Flush();
  EXPECT_EQ(table->cellAt(1, 1)->text(QAccessible::Name), "nach rechts kopieren");
}

TEST_F(Form1Test, PopupOpensOnRightClickMenuKeyAndShiftF10) {
  QList<QAction*> items = form.Pum()->actions();
  ASSERT_EQ(items.size(), 10);
  EXPECT_EQ(items[5]->text(), "XX  beide löschen");
  for (int i : {2, 6, 8}) EXPECT_TRUE(items[i]->isSeparator()) << i;
  EXPECT_EQ(form.Pum()->defaultAction(), items[9]);

  int opened = 0, item = 0;  // chosen item, 1-based; none at first
  form.Ports().execPopup = [&](QMenu* menu) {
    ++opened;
    return item ? menu->actions().at(item - 1) : nullptr;
  };
  QTableView* list = form.Liste();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
  QCoreApplication::processEvents();
  EXPECT_EQ(opened, 0);
  QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(50, 50));
  QCoreApplication::processEvents();
  EXPECT_EQ(opened, 1);  // on the empty list too

  AddRows({"a.txt", "b.txt", "c.txt"});
  item = 1;  // "--> kopiere nach rechts"
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(list, Qt::Key_Menu);
  QTest::keyClick(list, Qt::Key_Down);
  item = 6;  // "XX  beide löschen"
  QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_EQ(Cell(0, 1), "-->");
  EXPECT_EQ(Cell(1, 1), "-->");
  EXPECT_EQ(Cell(2, 1), "XX");
}

TEST_F(Form1Test, HeaderClicksSortTheRowsAndKeepTheSelection) {
  AddRows({"b.txt", "a.txt", "C.txt"});
  form.Liste()->selectionModel()->select(form.Model().index(0, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
  EXPECT_TRUE(form.Core().Liste().Selected(1));
  QHeaderView* header = form.Liste()->horizontalHeader();
  auto clickFirstColumn = [&] {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
  };
  clickFirstColumn();
  EXPECT_EQ((QStringList{Cell(0, 0), Cell(1, 0), Cell(2, 0)}),
            (QStringList{"a.txt", "b.txt", "C.txt"}));
  EXPECT_EQ(header->sortIndicatorSection(), 0);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
  EXPECT_TRUE(form.Liste()->selectionModel()->isRowSelected(1, {}));
  EXPECT_FALSE(form.Liste()->selectionModel()->isRowSelected(0, {}));
  clickFirstColumn();
  EXPECT_EQ(Cell(0, 0), "C.txt");
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  EXPECT_TRUE(header->isSortIndicatorShown());
  form.Core().Liste().SetSorted(false);  // as the filling does, until it is done
  form.Flush();
  EXPECT_EQ(header->sortIndicatorSection(), -1);
}

// Sizes and times of the walk, in the row's tool tip and in the columns the
// header's menu switches on; sorting keeps the order among equal keys.
TEST_F(Form1Test, SizesAndTimesShowAndSortByValueInAStableOrder) {
  QTemporaryDir dir;
  QDateTime time(QDate(2026, 12, 7), QTime(14, 3, 22));
  for (int i = 0; i < 40; ++i) {
    QFile f(dir.filePath(QStringLiteral("f%1.txt").arg(39 - i, 2, 10, QChar('0'))));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(200 + i % 3 * 700, 'x'));  // 200 B, 900 B, 1,6 KB
    ASSERT_TRUE(f.flush());                       // before the time: writing sets it anew
    f.setFileTime(time.addSecs(i), QFileDevice::FileModificationTime);
  }
  form.Core().FillColumn(dir.path().toStdString(), true);
  ComparisonList& list = form.Core().Liste();
  for (int r = 1; r <= 40; ++r) list.SetText(r, kMarkerColumn, r % 4 ? "<>" : "=");
  form.Flush();
  QModelIndex f39 = form.Model().index(39, 0);
  ASSERT_EQ(f39.data().toString(), "f39.txt");
  EXPECT_EQ(f39.data(Qt::ToolTipRole).toString().toStdString(),
            "Links: 200 B, 07.12.2026 14:03:22\nRechts: —");

  QHeaderView* header = form.Liste()->horizontalHeader();
  for (int c = 6; c < 10; ++c) EXPECT_TRUE(form.Liste()->isColumnHidden(c)) << c;
  form.ColumnMenu()->findChild<QAction*>("Column7")->trigger();
  EXPECT_FALSE(form.Liste()->isColumnHidden(6));
  EXPECT_EQ(header->visualIndex(6), 3);  // before the empty column 4
  EXPECT_EQ(form.Model().headerData(6, Qt::Horizontal, Qt::DisplayRole).toString(), "Größe links");
  EXPECT_EQ(Cell(39, 6).toStdString(), "200 B");
  EXPECT_EQ(Cell(39, 8).toStdString(), "07.12.2026 14:03:22");

  // By name, by marker, by size: each group keeps the order it had.
  auto order = [&] {
    std::vector<std::string> names;
    for (int r = 0; r < form.Model().rowCount(); ++r) names.push_back(Cell(r, 0).toStdString());
    return names;
  };
  auto click = [&](int column) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
  };
  click(1);
  std::vector<std::string> byName = order(), byMarker;
  for (const char* marker : {"<>", "="})
    for (const std::string& name : byName)
      if (list.Text(list.Find(name), kMarkerColumn) == marker) byMarker.push_back(name);
  EXPECT_EQ(order(), byMarker);
  click(6);
  std::vector<std::string> bySize;
  for (const char* size : {"200 B", "900 B", "1,6 KB"})
    for (const std::string& name : byMarker)
      if (FactsColumnText(list, list.Find(name), kLeftSizeColumn) == size) bySize.push_back(name);
  EXPECT_EQ(order(), bySize);

  form.Core().ToolTipCheckClick(false);
  form.Flush();
  EXPECT_EQ(f39.data(Qt::ToolTipRole).toString(), "");
}

// The list scrolls sideways only when the user scrolls it.
TEST_F(Form1Test, NeitherAClickNorAKeyNorAFillingScrollsTheListSideways) {
  AddRows({"a.txt", "b.txt", "c.txt"});
  QTableView* list = form.Liste();
  QScrollBar* sideways = list->horizontalScrollBar();
  QHeaderView* header = list->horizontalHeader();
  QPoint rightColumn(header->sectionViewportPosition(2) + header->sectionSize(2) - 5, 5);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rightColumn);
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_End);
  EXPECT_EQ(sideways->value(), 0);
  QTest::keyClick(list, Qt::Key_Right);  // the user scrolls
  EXPECT_EQ(sideways->value(), 1);
  sideways->setValue(3);
  QTemporaryDir dir;
  form.Core().FillColumn(dir.path().toStdString(), true);
  EXPECT_EQ(sideways->value(), 0);
}

// As a synchronisation removes the rows it carried out: neither the removed
// row's selection nor its loss passes to the rows that move up.
TEST_F(Form1Test, RowsTheCoreRemovesLeaveTheOthersAsTheyWere) {
  AddRows({"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"});
  QItemSelectionModel* view = form.Liste()->selectionModel();
  for (int row : {4, 2, 1})  // b, the current row, last
    view->setCurrentIndex(form.Model().index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
  form.Core().Liste().Remove(2);
  form.Flush();
  QList<int> core, shown;
  for (int r = 1; r <= form.Core().Liste().Count(); ++r)
    if (form.Core().Liste().Selected(r)) core << r - 1;
  for (const QModelIndex& i : view->selectedRows()) shown << i.row();
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(core, (QList<int>{1, 3}));  // c and e
  EXPECT_EQ(shown, core);
}

TEST_F(Form1Test, OneModelessInfoDialogWithItsLinks) {
  std::vector<QUrl> opened;
  form.Ports().openUrl = [&](const QUrl& url) {
    opened.push_back(url);
    return true;
  };
  form.Btn(10)->click();
  QDialog* dialog = form.Ports().InfoDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->parentWidget(), nullptr);
  EXPECT_EQ(dialog->windowIcon().cacheKey(), form.windowIcon().cacheKey());
  form.Btn(10)->click();
  EXPECT_EQ(form.Ports().InfoDialog(), dialog);  // brought to the front, not loaded again
  EXPECT_TRUE(dialog->findChild<QLabel*>("Label0")->text().startsWith(
      "Zweiblick (V2.6) – Verzeichnisvergleiche unter Linux leicht gemacht\n\n"));
  auto* image = dialog->findChild<QLabel*>("Image1");
  EXPECT_EQ(image->cursor().shape(), Qt::BitmapCursor);
  dialog->findChild<QPushButton*>("BtnUpdate")->click();
  dialog->findChild<QPushButton*>("BtnMail")->click();
  QTest::mouseClick(image, Qt::LeftButton);
  ASSERT_EQ(opened.size(), 3u);
  EXPECT_TRUE(opened[0].toString().startsWith(
      QString("http://www.melkart.example/?find_update&app=zweiblick&ver=%1.%2.%3&win=")
          .arg(ZWEIBLICK_VERSION_MAJOR)
          .arg(ZWEIBLICK_VERSION_MINOR)
          .arg(ZWEIBLICK_VERSION_PATCH)));
  EXPECT_EQ(opened[1].scheme(), "mailto");
  EXPECT_EQ(opened[2].host(), "www.melkart.example");
  for (QPushButton* b : dialog->findChildren<QPushButton*>())
    EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->objectName().toStdString();
  QTest::keyClick(dialog, Qt::Key_Escape);
  EXPECT_TRUE(dialog->isVisible());
  dialog->findChild<QPushButton*>("BtnClose")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(form.Ports().InfoDialog(), nullptr);
}

// Folders dragged from a file manager onto the list.
struct Drops : Form1Test {
  std::vector<std::string> shown;
  QTemporaryDir one, two;
  void SetUp() override {
    Form1Test::SetUp();
    form.Ports().messageBoxHook = [&](const std::string& text, MsgIcon, MsgButtons) {
      shown.push_back(text);
      return MsgAnswer::kOk;
    };
    QFile(one.filePath("a.txt")).open(QIODevice::WriteOnly);
    QFile(two.filePath("A.TXT")).open(QIODevice::WriteOnly);
  }
  void Drop(QStringList paths, int x, QString text = {}) {
    QMimeData data;
    if (!text.isEmpty()) data.setText(text);
    QList<QUrl> urls;
    for (auto& p : paths) urls << QUrl::fromLocalFile(p);
    if (!urls.isEmpty()) data.setUrls(urls);
    QDragEnterEvent enter(QPoint(x, 30), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(form.Liste()->viewport(), &enter);
    QDropEvent dropped(QPointF(x, 30), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(form.Liste()->viewport(), &dropped);
    QCoreApplication::processEvents();
  }
};

TEST_F(Drops, OfAnythingButOneFolderAreRefusedOneFolderFillsTheColumnItLandsOn) {
  Drop({}, 10, "no files");
  Drop({one.path(), two.path()}, 10);
  Drop({one.filePath("a.txt")}, 10);
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "Bitte jeweils nur ein einzelnes Verzeichnis in die Liste ziehen!",
                       "Bitte nur Verzeichnisse (keine Einzeldateien) in die Liste ziehen!"}));
  EXPECT_EQ(form.Model().rowCount(), 0);
  shown.clear();
  Drop({one.path()}, 400);  // empty list: goes left wherever it lands
  Drop({two.path()}, 400);  // right of column 1: the right column
  ASSERT_EQ(form.Model().rowCount(), 1);
  EXPECT_EQ(Cell(0, 0), "a.txt");
  EXPECT_EQ(Cell(0, 2), "A.TXT");
  EXPECT_EQ(form.StatusPanel(1)->text(), "1 Datei");
  EXPECT_TRUE(shown.empty());
}

}  // namespace
}  // namespace zweiblick
