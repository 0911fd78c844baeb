// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "comparison/compare_files.h"
#include "comparison/file_contents.h"
#include "list/markers.h"
#include "slow_fs_mount.h"
#include "two_trees.h"

namespace zweiblick {
namespace {

using testing::FakeWindow;
using testing::TempTree;

using Comparison = testing::TwoTrees;

// No row has the same marker in both comparisons, so a row the second one
// leaves alone shows.
TEST_F(Comparison, BinaryAndAgeMarkEveryKindOfPair) {
  // The name, the left and right contents ("-": no file) and times, and the markers.
  const std::string block(kCompareBlockSize, 'x');
  const long t = 1000000000;
  const std::tuple<const char*, std::string, std::string, long, long, const char*, const char*>
      pairs[] = {
          {"same.bin", block + "tail", block + "tail", t, t + 60, "=", "<--"},
          {"last.bin", block + "tail", block + "taiL", t + 60, t, "<>", "-->"},  // second block
          {"short.txt", "ab", "abc", t, t + 60, "<", "<--"},
          {"long.txt", "abcd", "abc", t, t - 1, ">", "-->"},  // one second older
          {"empty", "", "", t + 1, t, "=", "-->"},
          {"same-age", "a", "different contents", t, t, "<", "="},
          {"onlyleft", "l", "-", t, t, "?", "? -->"},
          {"onlyright", "-", "r", t, t, "?", "? <--"}};
  for (auto& [name, l, r, lt, rt, binary, age] : pairs) {
    if (l != "-") left.Write(name, l, lt);
    if (r != "-") right.Write(name, r, rt);
  }
  Fill();
  w.BtnClick(kBtnCompare);
  for (auto& [name, l, r, lt, rt, binary, age] : pairs) EXPECT_EQ(Marker(name), binary) << name;
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text,
            "Ergebnis des Binärvergleichs von 8 Dateien:\r\r"
            "2 Dateien sind verwaist.\r"
            "3 Dateien haben eine unterschiedliche Länge.\r"
            "1 Dateien sind zwar gleich groß, aber nicht identisch.\r"
            "2 Dateien sind absolut identisch.\r");
  EXPECT_EQ(port.messages[0].icon, MsgIcon::kInformation);
  EXPECT_EQ(port.statusHistory.back(), "Status: Binärvergleich fertig!");
  EXPECT_EQ(port.progress, 0);
  EXPECT_TRUE(w.CompareButtonEnabled());
  w.SelectCompMode(1);
  w.BtnClick(kBtnCompare);
  for (auto& [name, l, r, lt, rt, binary, age] : pairs) EXPECT_EQ(Marker(name), age) << name;
  ASSERT_EQ(port.messages.size(), 2u);
  EXPECT_EQ(port.messages[1].text,
            "Ergebnis des Versionsvergleichs von 8 Dateien:\r\r"
            "2 Dateien sind verwaist.\r"
            "5 Dateien haben ein unterschiedliches Alter.\r"
            "1 Dateien haben ein gleiches Alter.\r");
  EXPECT_EQ(port.statusHistory.back(), "Status: Altersvergleich fertig!");
}

TEST_F(Comparison, BlockBoundaries) {
  ContentsComparer comparer;
  for (size_t size :
       {kCompareBlockSize - 1, kCompareBlockSize, kCompareBlockSize + 1, 3 * kCompareBlockSize}) {
    left.Write("f", std::string(size, 'q'));
    // The same, then one byte off at the end, then at the start.
    for (size_t changed : {size, size - 1, size_t{0}}) {
      std::string b(size, 'q');
      if (changed < size) b[changed] = 'r';
      right.Write("f", b);
      EXPECT_EQ(comparer.Compare(left.Path("f"), right.Path("f"), size).kind,
                changed < size ? ContentsResult::kDiffer : ContentsResult::kEqual)
          << size << " " << changed;
    }
  }
}

TEST_F(Comparison, EmptyListsAreIdenticalInBothModes) {
  w.CompareFiles(true);
  w.CompareFiles(false);
  ASSERT_EQ(port.messages.size(), 2u);
  EXPECT_EQ(port.messages[0].text,
            "Ergebnis des Binärvergleichs von 0 Dateien:\r\rBeide Verzeichnisse sind vollkommen "
            "identisch!\r");
  EXPECT_EQ(port.messages[1].text,
            "Ergebnis des Versionsvergleichs von 0 Dateien:\r\rBeide Verzeichnisse sind vollkommen "
            "identisch!\r");
}

TEST_F(Comparison, VanishedAndUnreadableFilesAreNeverCalledIdentical) {
  for (const char* n : {"gone", "fifo", "ok"}) Both(n, "same", "same");
  Both("x", "", "");
  Fill();
  std::filesystem::remove(right.Path("gone"));
  // Files replaced by something that is no file after the folders were read;
  // "x" still measures 0 bytes: the FIFO is opened without blocking and refused.
  for (std::string fifo : {left.Path("fifo"), right.Path("x")}) {
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  }
  w.CompareFiles(true);
  EXPECT_EQ(Marker("gone"), "?");
  EXPECT_EQ(Marker("fifo"), "<>");  // no file any more: told, never read
  EXPECT_EQ(Marker("x"), "<>");
  EXPECT_EQ(Marker("ok"), "=");
  ASSERT_EQ(port.messages.size(), 4u);
  // The errors come in list order, which follows the folder listing: compared sorted.
  std::vector<std::string> errors, expected;
  for (int i = 0; i < 3; ++i) errors.push_back(port.messages[i].text);
  const std::pair<std::string, std::string> failed[] = {
      {"52", left.Path("fifo")}, {"53", right.Path("gone")}, {"52", right.Path("x")}};
  for (auto& [code, path] : failed)
    expected.push_back("Zugriffsfehler " + code + " auf '" + path +
                       "'\rDieser Name wird fortan ignoriert ...");
  std::sort(errors.begin(), errors.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(errors, expected);
  EXPECT_EQ(port.messages[3].text,
            "Ergebnis des Binärvergleichs von 4 Dateien:\r\r1 Dateien sind verwaist.\r"
            "2 Dateien sind zwar gleich groß, aber nicht identisch.\r1 Dateien sind absolut "
            "identisch.\r");
}

TEST_F(Comparison, YieldsEveryEighthRowUnlessFast) {
  for (int i = 0; i < 17; ++i) left.Write("f" + std::to_string(i), "");
  w.FillColumn(left.Path(), true);
  port.yields = 0;
  w.CompareFiles(false);
  EXPECT_EQ(port.yields, 2);
  // Checking the speed option during the run stops the yields at once.
  port.yields = 0;
  port.onYield = [&] { w.SetSpeed(true); };
  w.CompareFiles(false);
  EXPECT_EQ(port.yields, 1);
}

TEST_F(Comparison, PopupWritesIntoSelectedRowsAndAComparisonReplacesIt) {
  for (const char* n : {"a", "b", "c", "d"}) Both(n, n, n);
  Fill();
  w.CompareFiles(true);
  w.Liste().SetSelected(1, true);
  w.Liste().SetSelected(3, true);
  for (int separatorOrCancel : {3, 7, 9, 10, 0, 11}) w.PopupItemClick(separatorOrCancel);
  EXPECT_EQ(Marker("a"), "=");
  const std::pair<int, const char*> items[] = {{1, "-->"}, {2, "<--"}, {4, "X->"},
                                               {5, "<-X"}, {6, "XX"},  {8, "]["}};
  for (auto [index, marker] : items) {
    w.PopupItemClick(index);
    EXPECT_EQ(Marker("a"), marker);
    EXPECT_EQ(Marker("c"), marker);
    EXPECT_EQ(Marker("b"), "=");
    EXPECT_EQ(Marker("d"), "=");
  }
  w.CompareFiles(true);
  EXPECT_EQ(Marker("a"), "=");
  EXPECT_EQ(Marker("c"), "=");
}

TEST_F(Comparison, ImmediateComparisonAfterTheRightFillingOnly) {
  Both("a", "1", "1");
  w.SetSofortStart(true);
  w.FillColumn(left.Path(), true);
  EXPECT_TRUE(port.messages.empty());
  w.FillColumn(right.Path(), false);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(Marker("a"), "=");
  w.Batch().BatchActive = true;
  w.FillColumn(right.Path(), false);
  EXPECT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(Marker("a"), "");
}

TEST_F(Comparison, SizesBeyond32BitsCompare) {
  const off_t size = 5ll << 30;
  for (TempTree* t : {&left, &right}) {
    t->Write("big", "");
    if (truncate(t->Path("big").c_str(), size) != 0)
      GTEST_SKIP() << "the file system holds no 5 GB sparse file";
  }
  struct stat st {};
  stat(left.Path("big").c_str(), &st);
  if (st.st_blocks * 512 > (1 << 20)) GTEST_SKIP() << "the file system does not keep files sparse";
  std::fstream(right.Path("big"), std::ios::in | std::ios::out | std::ios::binary)
      .seekp(size - 1)
      .put('!');
  ContentsComparer comparer;
  EXPECT_EQ(comparer.Compare(left.Path("big"), right.Path("big"), size).kind,
            ContentsResult::kDiffer);
}

// The comparison opens a file by its path below the chosen folder; one whose
// path the kernel takes no more whole (though the walk, folder by folder, met
// it) is compared all the same.
TEST_F(Comparison, PathsBelowTheChosenFolderLongerThanTheKernelTakesCompare) {
  std::string folder;
  while (folder.size() < PATH_MAX - 220) folder += std::string(100, 'o') + "/";
  folder.pop_back();
  const std::string name(250, 'n');
  ASSERT_GE(folder.size() + 1 + name.size(), size_t{PATH_MAX});
  for (TempTree* tree : {&left, &right}) {
    tree->Mkdir(folder);
    int dir = open(tree->Path(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dir, 0);
    int fd = openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "same", 4), 4);
    ASSERT_EQ(close(fd), 0);
    ASSERT_EQ(close(dir), 0);
  }
  Fill();
  w.CompareFiles(true);
  EXPECT_EQ(Marker(folder + "/" + name), kMarkEqual);
}

// A large pair hands the pairs after it to the other workers before its
// contents are read: large files are read side by side, not one by one.
TEST_F(Comparison, LargePairsAreReadSideBySide) {
  left.Mkdir("stick");
  testing::SlowFsMount stick(left.Path("stick"), "pairs");
  if (!stick.Mounted()) GTEST_SKIP() << "no FUSE here";
  std::string zeros(2 << 20, '\0');
  right.Write("stick/a.bin", zeros);
  right.Write("stick/b.bin", zeros);
  Fill();
  w.CompareFiles(true);
  EXPECT_EQ(Marker("stick/a.bin"), kMarkEqual);
  EXPECT_EQ(Marker("stick/b.bin"), kMarkEqual);
  EXPECT_EQ(left.Read("stick/in_flight"), "2");  // both first reads were waiting at once
}

// The workers read ahead, but what the window shows must not depend on them:
// one worker and several give the same lists, messages, yields and progress.
TEST(ParallelRuns, GiveWhatOneWorkerGives) {
  TempTree left, right;
  for (int d = 0; d < 24; ++d) {
    std::string dir = "d" + std::to_string(d) + (d % 3 ? "/" : "/sub/");
    for (int f = 0; f < 12; ++f) {
      std::string name = dir + "f" + std::to_string(f);
      std::string body(static_cast<size_t>(f * 700 + d), 'a' + d % 26);
      left.Write(name, body, 1000000000 + f);
      if (f % 5 == 1) body.back() = '!';
      if (f % 7 == 2) body += "longer";
      if (f % 11 != 3) right.Write(name, body, 1000000000 + f);
    }
  }
  left.Write("Case/a.txt", "lower", 1000000000);
  left.Write("Case/A.txt", "upper", 1000000000);
  right.Write("Case/A.txt", "upper", 1000000000);
  left.Write("vanish", "v", 1000000000);
  left.Write("fifo", "same", 1000000000);
  symlink("d1", left.Path("backup").c_str());
  symlink("..", left.Path("d2/up").c_str());
  symlink("nowhere", left.Path("d4/dangling").c_str());
  symlink("loop2", right.Path("d5/loop1").c_str());
  symlink("loop1", right.Path("d5/loop2").c_str());
  mkfifo(right.Path("d6/pipe").c_str(), 0600);

  // Everything the window was told, in order.
  auto run = [&](const char* workers) {
    setenv("ZWEIBLICK_WORKERS", workers, 1);
    right.Write("vanish", "v", 1000000000);
    right.Write("fifo", "same", 1000000000);
    FakeWindow port;
    MainWindow w(port);
    w.FillColumn(left.Path(), true);
    w.FillColumn(right.Path(), false);
    std::vector<std::string> seen;
    for (int i = 1; i <= w.Liste().Count(); ++i)
      seen.push_back(w.Liste().Text(i, kLeftNameColumn) + "|" +
                     w.Liste().Text(i, kRightNameColumn));
    // Files that vanish or turn into something else after the reading.
    std::filesystem::remove(right.Path("vanish"));
    std::filesystem::remove(right.Path("fifo"));
    mkfifo(right.Path("fifo").c_str(), 0600);
    w.CompareFiles(true);
    std::filesystem::remove(right.Path("fifo"));
    EXPECT_EQ(port.messages.size(), 6u);  // dangling, loop1, loop2, fifo, vanish, summary
    EXPECT_GT(w.Liste().Count(), 24 * 12);
    for (int r = 1; r <= w.Liste().Count(); ++r)
      for (int c = 1; c <= 6; ++c) seen.push_back(w.Liste().Text(r, c));
    for (const auto& m : port.messages) seen.push_back(m.text);
    seen.insert(seen.end(), port.statusHistory.begin(), port.statusHistory.end());
    for (float p : port.progressHistory) seen.push_back(std::to_string(p));
    seen.push_back(std::to_string(port.yields) + " yields");
    return seen;
  };
  std::vector<std::string> one = run("1");
  for (const char* workers : {"4", "2"}) EXPECT_EQ(run(workers), one) << workers;
  unsetenv("ZWEIBLICK_WORKERS");
}

}  // namespace
}  // namespace zweiblick
