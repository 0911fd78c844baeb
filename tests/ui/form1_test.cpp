#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTableView>
#include <QUrl>

#include "ui/form1.h"
#include "ui/list_model.h"

namespace zweiblick {
namespace {

struct Form1Test : ::testing::Test {
  Form1 form;
  void SetUp() override {
    form.Core().Load("");
    form.Flush();
  }
  QString Cell(int row, int column) { return form.Model().index(row, column).data().toString(); }
  void AddRows(std::initializer_list<const char*> names) {
    for (const char* n : names) form.Core().Liste().Add(form.Core().Liste().Count() + 1, n);
    form.Flush();
  }
};

TEST_F(Form1Test, ControlsCarryTheirCaptionsAndGeometry) {
  EXPECT_EQ(form.windowTitle(), "Zweiblick");
  EXPECT_EQ(form.size(), QSize(582, 414));
  EXPECT_EQ(form.Btn(8)->text(), "Dateien-\n&vergleich");
  EXPECT_EQ(form.Btn(7)->text(), "Dateien-\n&abgleich");
  EXPECT_EQ(form.Btn(3)->text(), "&Zwischen-\nablage");
  EXPECT_EQ(form.Btn(9)->text(), "&Ende");
  EXPECT_EQ(form.Btn(2)->geometry(), QRect(0, 40, 65, 25));
  EXPECT_EQ(form.Btn(1)->parentWidget(), &form);
  EXPECT_EQ(form.Btn(1)->geometry(), QRect(476, 264, 93, 25));
  EXPECT_FALSE(form.Btn(4)->isVisibleTo(&form));
  EXPECT_FALSE(form.Btn(5)->isVisibleTo(&form));
  EXPECT_EQ(form.CompModeOpt(0)->text(), "&Binärvergleich");
  EXPECT_EQ(form.CompModeOpt(1)->text(), "Al&tersvergleich");
  EXPECT_EQ(form.Liste()->geometry(), QRect(8, 16, 557, 237));
  EXPECT_EQ(form.Pbar()->value(), 0);
  QHeaderView* header = form.Liste()->horizontalHeader();
  EXPECT_EQ(header->sectionSize(0), 252);
  EXPECT_EQ(header->sectionSize(1), 53);
  EXPECT_TRUE(form.Liste()->isColumnHidden(4));
  EXPECT_TRUE(form.Liste()->isColumnHidden(5));
  EXPECT_EQ(form.Model().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
            "Erster Ordner");
  EXPECT_EQ(form.Model().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "<-->");
  EXPECT_EQ(form.Model().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
            "Zweiter Ordner");
  for (const char* name : {"SofortStartCheck", "ToolTipCheck", "SpeedCheck", "MyTopMostChk",
                           "Frame1", "Frame2", "Frame3", "Frame4", "Sbar"})
    EXPECT_NE(form.findChild<QWidget*>(name), nullptr) << name;
}

TEST_F(Form1Test, ProgramIconAndTheWindowsOwnBusyPointer) {
  EXPECT_EQ(form.windowIcon().pixmap(32).size(), QSize(32, 32));
  form.Btn(10)->click();
  EXPECT_EQ(form.InfoDialog()->windowIcon().cacheKey(), form.windowIcon().cacheKey());
  form.ShowBusyPointer(true);
  EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // message boxes keep the arrow
  form.ShowBusyPointer(false);
  EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(Form1Test, AgeComparisonEnablesSynchronisationAndBinaryDisablesIt) {
  EXPECT_TRUE(form.CompModeOpt(0)->isChecked());
  EXPECT_FALSE(form.Btn(7)->isEnabled());
  EXPECT_TRUE(form.Btn(8)->isEnabled());
  form.show();
  QTest::mouseClick(form.CompModeOpt(1), Qt::LeftButton);
  EXPECT_TRUE(form.Btn(7)->isEnabled());
  QTest::mouseClick(form.CompModeOpt(0), Qt::LeftButton);
  EXPECT_FALSE(form.Btn(7)->isEnabled());
}

TEST_F(Form1Test, PopupMenuHasItsTenItemsWithCancelAsDefault) {
  QList<QAction*> items = form.Pum()->actions();
  ASSERT_EQ(items.size(), 10);
  EXPECT_EQ(items[0]->text(), "--> kopiere nach rechts");
  EXPECT_EQ(items[5]->text(), "XX  beide löschen");
  EXPECT_TRUE(items[2]->isSeparator());
  EXPECT_TRUE(items[6]->isSeparator());
  EXPECT_TRUE(items[8]->isSeparator());
  EXPECT_EQ(items[9]->text(), "&Abbrechen");
  EXPECT_EQ(form.Pum()->defaultAction(), items[9]);
  EXPECT_TRUE(items[9]->font().bold());
}

TEST_F(Form1Test, RightClickOnTheEmptyListOpensThePopup) {
  int opened = 0;
  form.execPopup = [&](QMenu*) {
    ++opened;
    return nullptr;
  };
  form.show();
  QWidget* viewport = form.Liste()->viewport();
  QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(50, 50));
  QCoreApplication::processEvents();
  EXPECT_EQ(opened, 0);
  QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(50, 50));
  QCoreApplication::processEvents();
  EXPECT_EQ(opened, 1);
}

TEST_F(Form1Test, MenuKeyAndShiftF10SetRowActionsWithoutAMouse) {
  AddRows({"a.txt", "b.txt", "c.txt"});
  int item = 1;  // "--> kopiere nach rechts"
  form.execPopup = [&](QMenu* menu) { return menu->actions().at(item - 1); };
  form.show();
  QWidget* list = form.Liste();
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

TEST_F(Form1Test, FocusStartsInTheListAndTabFollowsReadingOrder) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  ASSERT_EQ(QApplication::focusWidget(), form.Liste());
  QStringList order;
  for (int i = 0; i < 13; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order << QApplication::focusWidget()->objectName();
  }
  // Tab stops at the selected comparison type only (the arrow keys choose), and
  // passes "Dateien- &abgleich", disabled while the binary comparison is selected.
  EXPECT_EQ(order.join(' ').toStdString(),
            "Btn0 Btn1 CompModeOpt0 Btn8 Btn3 Btn2 Btn10 Btn9 SofortStartCheck MyTopMostChk "
            "ToolTipCheck SpeedCheck Liste");
}

TEST_F(Form1Test, HeaderClicksSortTheRowsAndKeepTheSelection) {
  AddRows({"b.txt", "a.txt", "C.txt"});
  form.Liste()->selectionModel()->select(form.Model().index(0, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
  EXPECT_TRUE(form.Core().Liste().Selected(1));
  form.show();
  QHeaderView* header = form.Liste()->horizontalHeader();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
  EXPECT_EQ(Cell(0, 0), "a.txt");
  EXPECT_EQ(Cell(1, 0), "b.txt");
  EXPECT_EQ(Cell(2, 0), "C.txt");
  EXPECT_EQ(header->sortIndicatorSection(), 0);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
  EXPECT_TRUE(form.Liste()->selectionModel()->isRowSelected(1, {}));
  EXPECT_FALSE(form.Liste()->selectionModel()->isRowSelected(0, {}));
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
  EXPECT_EQ(Cell(0, 0), "C.txt");
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  EXPECT_TRUE(header->isSortIndicatorShown());
  // A row the core removed (as a synchronisation does) leaves the others selected.
  form.Liste()->selectAll();
  form.Core().Liste().Remove(2);
  form.Flush();
  EXPECT_TRUE(form.Core().Liste().Selected(1) && form.Core().Liste().Selected(2));
  form.Core().Liste().SetSorted(false);  // as the filling does, until it is done
  form.Flush();
  EXPECT_EQ(header->sortIndicatorSection(), -1);
}

}  // namespace
}  // namespace zweiblick

namespace zweiblick {
namespace {

struct DropTest : Form1Test {
  std::vector<std::string> shown;
  QTemporaryDir one, two;
  void SetUp() override {
    Form1Test::SetUp();
    form.messageBoxHook = [this](const std::string& text, MsgIcon, MsgButtons) {
      shown.push_back(text);
      return MsgAnswer::kOk;
    };
    form.show();
    QFile(one.filePath("a.txt")).open(QIODevice::WriteOnly);
    QFile(two.filePath("A.TXT")).open(QIODevice::WriteOnly);
  }
  void Drop(QMimeData* data, int x) {
    QWidget* viewport = form.Liste()->viewport();
    QDragEnterEvent enter(QPoint(x, 30), Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &enter);
    QDropEvent drop(QPointF(x, 30), Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &drop);
    QCoreApplication::processEvents();
  }
  void DropFiles(QStringList paths, int x) {
    QMimeData data;
    QList<QUrl> urls;
    for (auto& p : paths) urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    Drop(&data, x);
  }
};

TEST_F(DropTest, FoldersDroppedOnTheListFillBothColumns) {
  DropFiles({one.path()}, 400);  // empty list: goes left wherever it lands
  DropFiles({two.path()}, 400);  // right of column 1: the right column
  ASSERT_EQ(form.Model().rowCount(), 1);
  EXPECT_EQ(Cell(0, 0), "a.txt");
  EXPECT_EQ(Cell(0, 2), "A.TXT");
  EXPECT_EQ(form.StatusPanel(1)->text(), "1 Datei");
  EXPECT_TRUE(shown.empty());
}

TEST_F(DropTest, WrongDropsAreRefusedAndTextIsIgnored) {
  QMimeData text;
  text.setText("no files");
  Drop(&text, 10);
  DropFiles({one.path(), two.path()}, 10);
  DropFiles({one.filePath("a.txt")}, 10);
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "Bitte jeweils nur ein einzelnes Verzeichnis in die Liste ziehen!",
                       "Bitte nur Verzeichnisse (keine Einzeldateien) in die Liste ziehen!"}));
  EXPECT_EQ(form.Model().rowCount(), 0);
}

}  // namespace
}  // namespace zweiblick
