// SPDX-License-Identifier: GPL-3.0-or-later
// The text comparison window, opened from the real main window's list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <random>

#include "list/comparison_list.h"
#include "ui/diff_view.h"
#include "ui/form1.h"
#include "ui/list_model.h"
#include "ui/text_compare_window.h"

namespace zweiblick {
namespace {

using Ask = TextCompareWindow::Ask;
using Answer = TextCompareWindow::Answer;

struct TextCompare : ::testing::Test {
  Form1 form;
  QTemporaryDir left, right;
  std::vector<std::pair<std::string, Ask>> asked;
  std::vector<Answer> answers;  // given in turn; kOk/kNo when they run out

  void SetUp() override {
    form.Core().Load("");
    form.Ports().messageBoxHook = [](const std::string&, MsgIcon, MsgButtons) {
      return MsgAnswer::kOk;
    };
    TextCompareWindow::TestHook() = [this](const std::string& text, Ask ask) {
      asked.emplace_back(text, ask);
      if (answers.empty()) return ask == Ask::kOk ? Answer::kOk : Answer::kNo;
      Answer a = answers.front();
      answers.erase(answers.begin());
      return a;
    };
  }
  void TearDown() override {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* t = qobject_cast<TextCompareWindow*>(w)) delete t;
    TextCompareWindow::TestHook() = nullptr;
  }
  static void Write(const QTemporaryDir& dir, const char* name, const std::string& bytes) {
    std::ofstream(dir.filePath(name).toStdString(), std::ios::binary) << bytes;
  }
  static std::string Read(const QTemporaryDir& dir, const char* name) {
    std::ifstream in(dir.filePath(name).toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Fill() {
    form.Core().FillColumn(left.path().toStdString(), true);
    form.Core().FillColumn(right.path().toStdString(), false);
    form.Core().CompareFiles(true);
    form.Flush();
  }
  int RowOf(const char* name) {
    for (int r = 0; r < form.Model().rowCount(); ++r)
      if (form.Model().index(r, 0).data().toString() == name) return r;
    return -1;
  }
  QString Marker(const char* name) { return form.Model().index(RowOf(name), 1).data().toString(); }
  TextCompareWindow* Shown() {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* t = qobject_cast<TextCompareWindow*>(w); t && t->isVisible()) return t;
    return nullptr;
  }
  TextCompareWindow* DoubleClick(const char* name) {
    QRect rect = form.Liste()->visualRect(form.Model().index(RowOf(name), 0));
    // As the desktop sends it: a click, then the double-click (QTest sends that alone).
    QTest::mouseClick(form.Liste()->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(form.Liste()->viewport(), Qt::LeftButton, {}, rect.center());
    return Shown();
  }
  TextCompareWindow* Enter(const char* name) {
    form.Liste()->setCurrentIndex(form.Model().index(RowOf(name), 0));
    QTest::keyClick(form.Liste(), Qt::Key_Return);
    return Shown();
  }
  static bool Compared(TextCompareWindow* w) {
    for (int i = 0; i < 1000 && (w->Comparing() || Text(w, "Note") == "Vergleiche …"); ++i)
      QTest::qWait(5);
    QCoreApplication::processEvents();
    return !w->Comparing();
  }
  static QString Text(TextCompareWindow* w, const char* name) {
    return w->findChild<QLabel*>(name)->text();
  }
};

TEST_F(TextCompare, OpensOnDoubleClickAndEnterMovesThroughBlocksTakesThemAcrossAndSaves) {
  Write(left, "a.txt", "eins\nzwei\ndrei\nvier\nfünf\nsechs\nsieben\nacht\nneun\nzehn\n");
  Write(right, "a.txt", "eins\nZWEI\ndrei\nvier\nfünf\nsechs\nsieben\nacht\nneun\n\nelf\n");
  Write(left, "nur-links.txt", "x");
  Fill();
  ASSERT_NE(Marker("a.txt"), "=");
  EXPECT_EQ(DoubleClick("nur-links.txt"), nullptr);  // one file only: nothing to compare

  TextCompareWindow* w = DoubleClick("a.txt");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "Zweiblick – Textvergleich: a.txt");
  EXPECT_FALSE(w->isModal());
  ASSERT_TRUE(Compared(w));
  EXPECT_EQ(Text(w, "DifferenceCount"), "Unterschied 1 von 2");
  EXPECT_TRUE(Text(w, "LeftHeader").contains("UTF-8 ohne BOM · Zeilenenden LF"));
  auto* next = w->findChild<QPushButton*>("NextDifference");
  EXPECT_EQ(next->toolTip(), "Nächster Unterschied (F7)");
  EXPECT_EQ(w->findChild<QPushButton*>("PreviousDifference")->toolTip(),
            "Vorheriger Unterschied (Umschalt+F7)");
  QTest::keyClick(w, Qt::Key_F7);
  EXPECT_EQ(Text(w, "DifferenceCount"), "Unterschied 2 von 2");
  EXPECT_FALSE(next->isEnabled());
  QTest::keyClick(w, Qt::Key_F7, Qt::ShiftModifier);
  EXPECT_EQ(Text(w, "DifferenceCount"), "Unterschied 1 von 2");

  // "→" on the first block, then "←" on the last one.
  DiffView* panes = w->Panes();
  QTest::mouseClick(panes->viewport(), Qt::LeftButton, {}, panes->ArrowRect(0, true).center());
  ASSERT_TRUE(Compared(w));
  EXPECT_EQ(Text(w, "DifferenceCount"), "Unterschied 1 von 1");
  EXPECT_TRUE(w->windowTitle().endsWith(" *"));
  QTest::mouseClick(panes->viewport(), Qt::LeftButton, {}, panes->ArrowRect(0, false).center());
  ASSERT_TRUE(Compared(w));
  EXPECT_EQ(Text(w, "Note"), "Keine Unterschiede (mit den gewählten Ausnahmen)");
  EXPECT_EQ(Read(right, "a.txt"),
            "eins\nZWEI\ndrei\nvier\nfünf\nsechs\nsieben\nacht\nneun\n\nelf\n");

  w->findChild<QPushButton*>("Save")->click();
  const std::string both = "eins\nzwei\ndrei\nvier\nfünf\nsechs\nsieben\nacht\nneun\n\nelf\n";
  EXPECT_EQ(Read(left, "a.txt"), both);
  EXPECT_EQ(Read(right, "a.txt"), both);
  EXPECT_EQ(Marker("a.txt"), "=");  // found anew
  QDir trash(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files");
  EXPECT_GE(trash.entryList(QDir::Files).size(), 2);
  EXPECT_TRUE(asked.empty());

  // Escape closes; the window comes back where and as large as it was, from Enter.
  w->resize(700, 611);
  QTest::keyClick(w, Qt::Key_Escape);
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown(), nullptr);
  TextCompareWindow* again = Enter("a.txt");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->size(), QSize(700, 611));
}

// A line wider than its pane scrolls sideways, both panes together; the
// short lines of the same file do not make the bar go.
TEST_F(TextCompare, LongLinesScrollSideways) {
  Write(left, "lang.txt", "kurz\n" + std::string(400, 'a') + "\n");
  Write(right, "lang.txt", "kurz\n" + std::string(400, 'a') + "b\n");
  Write(left, "kurz.txt", "eins\n");
  Write(right, "kurz.txt", "zwei\n");
  Fill();
  for (const char* name : {"lang.txt", "kurz.txt"}) {
    TextCompareWindow* w = DoubleClick(name);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(Compared(w));
    QScrollBar* bar = w->Panes()->horizontalScrollBar();
    if (std::string(name) == "lang.txt") {
      EXPECT_GT(bar->maximum(), 0);
    } else {
      EXPECT_EQ(bar->maximum(), 0);
    }
    QTest::keyClick(w, Qt::Key_Escape);
    QCoreApplication::processEvents();
  }
}

TEST_F(TextCompare, ExplainsLookAlikesRefusesAnOutsideChangeAndAsksBeforeLosingEdits) {
  Write(left, "crlf.txt", "a\r\nb\r\n");
  Write(right, "crlf.txt", "a\nb\n");
  Write(left, "bin.dat", std::string("abc\0def", 7));
  Write(right, "bin.dat", std::string("abcXdef", 7));
  Write(left, "weg.txt", "1\n");
  Write(right, "weg.txt", "2\n");
  Fill();

  TextCompareWindow* w = Enter("crlf.txt");
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(Compared(w));
  EXPECT_EQ(Text(w, "Note"), "Nur die Zeilenenden unterscheiden sich: links CRLF, rechts LF");
  EXPECT_TRUE(Text(w, "RightHeader").contains("Zeilenenden LF"));
  w->findChild<QCheckBox*>("IgnoreLineEnds")->click();
  ASSERT_TRUE(Compared(w));
  EXPECT_TRUE(Text(w, "Note").startsWith("Keine Unterschiede (mit den gewählten Ausnahmen)"));
  w->findChild<QCheckBox*>("IgnoreLineEnds")->click();
  ASSERT_TRUE(Compared(w));

  // Taken across, then the file changes on the disk: not overwritten; reloaded.
  w->TakeBlock(0, true);
  ASSERT_TRUE(Compared(w));
  Write(right, "crlf.txt", "von anderswo\n");
  answers = {Answer::kYes};
  EXPECT_FALSE(w->Save());
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].first.find("verändert und wird nicht überschrieben"), std::string::npos);
  EXPECT_EQ(Read(right, "crlf.txt"), "von anderswo\n");
  EXPECT_FALSE(w->Unsaved());
  ASSERT_TRUE(Compared(w));
  EXPECT_EQ(w->Side(false).lines, std::vector<std::string>{"von anderswo\n"});

  // Closing with edits asks; "Abbrechen" keeps the window, "Verwerfen" writes nothing.
  w->TakeBlock(0, true);
  ASSERT_TRUE(Compared(w));
  answers = {Answer::kCancel};
  w->close();
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(asked.back().second, Ask::kSaveDiscardCancel);
  answers = {Answer::kDiscard};
  w->close();
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown(), nullptr);
  EXPECT_EQ(Read(right, "crlf.txt"), "von anderswo\n");

  TextCompareWindow* b = Enter("bin.dat");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(Text(b, "Note"), "Binärdatei: erstes abweichendes Byte bei 3 (0x3)");
  EXPECT_TRUE(b->findChild<QPlainTextEdit*>("HexView")->toPlainText().contains(
      "00000000  61 62 63 00 64 65 66"));
  b->close();

  // A file gone since the folders were read: a message, no window.
  QFile::remove(left.filePath("weg.txt"));
  asked.clear();
  EXPECT_EQ(Enter("weg.txt"), nullptr);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].first.find("kann nicht gelesen werden"), std::string::npos);
}

// A file over the line limit asks first: "Nein" opens nothing, "Ja" compares
// it by lines only. A comparison that takes long leaves the window alive:
// Escape stops it and says so, a click on an option starts it anew, and only
// an Escape with nothing running closes the window.
TEST_F(TextCompare, AsksBeforeALargeFileAndEscapeStopsALongComparison) {
  std::string many(kLargeLines + 1, '\n');
  Write(left, "gross.txt", many);
  Write(right, "gross.txt", many.substr(0, 500000) + "anders\n" + many.substr(500000));
  // Lines that each stand once, between lines that repeat a lot and differ
  // right beside them: every anchor is as good as the first, so each one
  // costs a pass over all that follows it (seconds in all).
  std::mt19937 random(7);
  std::string slow[2];
  for (int block = 0; block < 20000; ++block)
    for (int side = 0; side < 2; ++side) {
      slow[side] += "anker " + std::to_string(block) + (side ? "\ny\n" : "\nx\n");
      for (int i = 0; i < 7; ++i) slow[side] += random() % 2 ? "x\n" : "y\n";
      slow[side] += side ? "x\n" : "y\n";
    }
  Write(left, "langsam.txt", slow[0]);
  Write(right, "langsam.txt", slow[1]);
  Fill();

  answers = {Answer::kNo};
  EXPECT_EQ(Enter("gross.txt"), nullptr);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].second, Ask::kYesNo);
  EXPECT_NE(asked[0].first.find("ist größer als 64 MB oder hat mehr als 1.000.000 Zeilen"),
            std::string::npos);
  answers = {Answer::kYes};
  TextCompareWindow* big = Enter("gross.txt");
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(asked.size(), 2u);
  ASSERT_TRUE(Compared(big));
  EXPECT_EQ(Text(big, "Note"), "Große Datei: nur zeilenweise verglichen.");
  EXPECT_EQ(Text(big, "DifferenceCount"), "Unterschied 1 von 1");
  QTest::keyClick(big, Qt::Key_Escape);
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown(), nullptr);

  TextCompareWindow* w = Enter("langsam.txt");
  ASSERT_NE(w, nullptr);
  QTest::qWait(50);  // the window's events go on meanwhile
  ASSERT_TRUE(w->Comparing());
  EXPECT_EQ(Text(w, "Note"), "Vergleiche …");
  QTest::keyClick(w, Qt::Key_Escape);
  EXPECT_FALSE(w->Comparing());
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(Text(w, "Note"),
            "Vergleich abgebrochen (Esc). Ein Klick auf eine Ausnahme vergleicht neu.");
  QTest::qWait(20);  // a result of the stopped comparison would be shown by now
  EXPECT_TRUE(Text(w, "Note").startsWith("Vergleich abgebrochen"));
  w->findChild<QCheckBox*>("IgnoreCase")->click();
  EXPECT_TRUE(w->Comparing());
  QTest::keyClick(w, Qt::Key_Escape);
  EXPECT_FALSE(w->Comparing());
  EXPECT_TRUE(w->isVisible());
  QTest::keyClick(w, Qt::Key_Escape);
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown(), nullptr);
  EXPECT_EQ(asked.size(), 2u);
}

}  // namespace
}  // namespace zweiblick
