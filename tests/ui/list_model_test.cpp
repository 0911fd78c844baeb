// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <string>

#include "comparison/compare_files.h"
#include "reading/fill_column.h"
#include "sync/synchronize_folders.h"
#include "ui/form1.h"
#include "ui/list_model.h"

namespace zweiblick {
namespace {

struct ListModelTest : ::testing::Test {
  Form1 form;
  ComparisonList& list = form.Core().Liste();
  QAbstractItemModelTester tester{&form.Model(),
                                  QAbstractItemModelTester::FailureReportingMode::Fatal};
  void SetUp() override {
    form.Ports().messageBoxHook = [](const std::string&, MsgIcon, MsgButtons) {
      return MsgAnswer::kOk;
    };
    form.Core().Load("");
  }
  // The view shows every row the core does not hide, in the core's order.
  void ExpectViewEqualsCore() {
    std::vector<int> shown;
    for (int r = 1; r <= list.Count(); ++r)
      if (!list.Hidden(r)) shown.push_back(r);
    ASSERT_EQ(form.Model().rowCount(), int(shown.size()));
    for (int v = 0; v < int(shown.size()); ++v)
      for (int c = 1; c <= 3; ++c)
        ASSERT_EQ(form.Model().index(v, c - 1).data().toString().toStdString(),
                  list.Text(shown[v], c))
            << "row " << shown[v] << " column " << c;
  }
};

// Each notice costs what changed: a long run over a big list must not make the
// view walk every row at every step.
TEST_F(ListModelTest, NoticesAreAsSmallAsTheChange) {
  for (int i = 1; i <= 100000; ++i) list.Add(i, "f" + std::to_string(i));
  form.Flush();
  QSignalSpy changed(&form.Model(), &QAbstractItemModel::dataChanged);
  QSignalSpy removed(&form.Model(), &QAbstractItemModel::rowsRemoved);
  QSignalSpy reset(&form.Model(), &QAbstractItemModel::modelReset);

  list.SetText(50000, kMarkerColumn, "-->");
  list.Remove(100000);
  form.Flush();
  ASSERT_EQ(changed.size(), 1);  // row 50000 alone
  EXPECT_EQ(changed[0][0].toModelIndex().row(), 49999);
  EXPECT_EQ(changed[0][1].toModelIndex().row(), 49999);
  EXPECT_EQ(removed.size(), 1);
  EXPECT_EQ(reset.size(), 0);
  ExpectViewEqualsCore();
}

// When "Nur Unterschiede zeigen" is checked: never, before the filling, or
// while the comparison runs (it hides rows as it marks them).
enum class DiffOnly { kNever, kFromStart, kDuringComparison };
struct ListModelFlow : ListModelTest, ::testing::WithParamInterface<DiffOnly> {};

TEST_P(ListModelFlow, TheViewFollowsFillComparisonSortAndSynchronisation) {
  if (GetParam() == DiffOnly::kFromStart) form.findChild<QCheckBox*>("DiffOnlyCheck")->click();
  QTemporaryDir left, right;
  auto write = [](const QString& dir, const std::string& name, const char* text) {
    std::ofstream(dir.toStdString() + "/" + name) << text;
  };
  for (int i = 0; i < 300; ++i) {
    std::string name = "d" + std::to_string(i % 7) + ".txt";
    write(left.path(), std::to_string(i) + name, "new contents");
    if (i % 3 != 0) write(right.path(), std::to_string(i) + name, i % 2 ? "old" : "new contents");
  }
  write(right.path(), "only-right.txt", "x");
  form.Core().FillColumn(left.path().toStdString(), true);
  form.Core().FillColumn(right.path().toStdString(), false);
  if (GetParam() == DiffOnly::kDuringComparison)
    QTimer::singleShot(0, [&] { form.findChild<QCheckBox*>("DiffOnlyCheck")->click(); });
  form.Core().CompareFiles(true);  // 100 pairs the same
  EXPECT_EQ(list.HiddenCount(), GetParam() == DiffOnly::kNever ? 0 : 100);
  ExpectViewEqualsCore();
  form.Core().SelectCompMode(1);
  form.Core().CompareFiles(false);
  form.Core().ColumnClick(kMarkerColumn);
  form.Flush();
  ExpectViewEqualsCore();
  // The rows carried out are removed, hidden ones too.
  form.Core().SynchronizeFolders();
  form.Flush();
  ExpectViewEqualsCore();
}
INSTANTIATE_TEST_SUITE_P(DiffOnly, ListModelFlow,
                         ::testing::Values(DiffOnly::kNever, DiffOnly::kFromStart,
                                           DiffOnly::kDuringComparison));

// Several steps gathered into one flush, as between two notices of a run: the
// view sees each row where the core has it, before and after each step.
TEST_F(ListModelTest, StepsGatheredIntoOneFlushShowEachRowWhereTheCoreHasIt) {
  QSignalSpy removed(&form.Model(), &QAbstractItemModel::rowsRemoved);
  QSignalSpy reset(&form.Model(), &QAbstractItemModel::modelReset);
  for (int i = 1; i <= 40; ++i) list.Add(i, "g" + std::to_string(i));
  form.Flush();
  list.Remove(40);
  list.Remove(39);  // a run from the end upwards is one removal
  list.SetText(10, kMarkerColumn, "<--");
  list.Remove(5);
  list.Add(list.Count() + 1, "neu");
  list.Remove(list.Count());
  list.Remove(1);
  form.Flush();
  EXPECT_EQ(reset.size(), 0);
  EXPECT_EQ(removed.size(), 4);
  EXPECT_EQ(form.Model().index(7, 1).data().toString(), "<--");
  ExpectViewEqualsCore();
}

// "Nur Unterschiede zeigen" hides the rows marked "=", follows every change of
// them, and no popup action reaches a row the user cannot see.
TEST_F(ListModelTest, HiddenRowsFollowTheMarkersAndAreNeverSelected) {
  for (int i = 1; i <= 40; ++i) {
    list.Add(i, "h" + std::to_string(i));
    list.SetText(i, kMarkerColumn, i % 3 == 0 ? "=" : "<>");
  }
  form.Flush();
  form.Liste()->selectAll();
  auto* check = form.findChild<QCheckBox*>("DiffOnlyCheck");
  EXPECT_FALSE(check->isChecked());
  check->click();
  ExpectViewEqualsCore();
  EXPECT_EQ(form.Model().rowCount(), 27);
  EXPECT_EQ(form.StatusPanel(1)->text(), "40 Dateien (27 gezeigt)");
  form.Liste()->clearSelection();
  form.Liste()->selectAll();
  form.Core().PopupItemClick(8);  // "][ übergehen"
  for (int r = 1; r <= 40; ++r)
    ASSERT_EQ(list.Text(r, kMarkerColumn), r % 3 == 0 ? "=" : "][") << r;

  // Rows come into view and go out of it, all in one flush.
  list.SetText(1, kMarkerColumn, "=");
  list.SetText(3, kMarkerColumn, "<");
  list.Remove(6);  // hidden
  list.Remove(6);  // shown
  list.SetText(30, kMarkerColumn, "=");
  list.Add(list.Count() + 1, "neu");
  list.Add(list.Count() + 1, "neu gleich");
  list.SetText(list.Count(), kMarkerColumn, "=");
  list.Remove(list.Count() - 2);
  form.Flush();
  ExpectViewEqualsCore();
  EXPECT_EQ(form.StatusPanel(1)->text().toStdString(),
            "39 Dateien (25 gezeigt) · Abgleich: nichts zu tun");
  form.Liste()->selectAll();
  list.SetText(2, kMarkerColumn, "=");  // a comparison marks a selected row "="
  EXPECT_FALSE(list.Selected(2));

  check->click();
  ExpectViewEqualsCore();
  EXPECT_EQ(form.Model().rowCount(), 39);
  EXPECT_EQ(form.StatusPanel(1)->text().toStdString(), "39 Dateien · Abgleich: nichts zu tun");
}

}  // namespace
}  // namespace zweiblick
