#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
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
  void ExpectViewEqualsCore() {
    ASSERT_EQ(form.Model().rowCount(), list.Count());
    for (int r = 1; r <= list.Count(); ++r)
      for (int c = 1; c <= 3; ++c)
        ASSERT_EQ(form.Model().index(r - 1, c - 1).data().toString().toStdString(), list.Text(r, c))
            << "row " << r << " column " << c;
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

TEST_F(ListModelTest, TheViewFollowsFillComparisonSortAndSynchronisation) {
  QTemporaryDir left, right;
  auto write = [](const QString& dir, const std::string& name, const char* text) {
    std::ofstream(dir.toStdString() + "/" + name) << text;
  };
  for (int i = 0; i < 300; ++i) {
    std::string name = "d" + std::to_string(i % 7) + ".txt";
    write(left.path(), std::to_string(i) + name, "new contents");
    if (i % 3 != 0) write(right.path(), std::to_string(i) + name, "old");
  }
  write(right.path(), "only-right.txt", "x");
  form.Core().FillColumn(left.path().toStdString(), true);
  form.Core().FillColumn(right.path().toStdString(), false);
  form.Core().SelectCompMode(1);
  form.Core().CompareFiles(false);
  form.Core().ColumnClick(kMarkerColumn);
  form.Flush();
  ExpectViewEqualsCore();
  // Every row is carried out and removed, except the right-only proposal.
  form.Core().SynchronizeFolders();
  form.Flush();
  ExpectViewEqualsCore();
}

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

}  // namespace
}  // namespace zweiblick
