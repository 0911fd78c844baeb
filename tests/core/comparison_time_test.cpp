// SPDX-License-Identifier: GPL-3.0-or-later
// The age comparison: the instants behind the stamps, and FAT, which keeps
// local times in 2-second steps.
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "comparison/compare_files.h"
#include "comparison/time_tolerance.h"
#include "list/markers.h"
#include "mainwindow/text_pair.h"
#include "slow_fs_mount.h"
#include "two_trees.h"

namespace zweiblick {
namespace {

std::string fatFolder;

struct AgeOnFat : testing::TwoTrees {
  void TearDown() override { SetFatProbeForTesting(nullptr); }
  std::vector<std::string> Markers() {
    w.CompareFiles(false);
    return {Marker("odd"), Marker("three"), Marker("hour"), Marker("hour-longer")};
  }
};

TEST_F(AgeOnFat, TwoSecondsCountAsTheSameAgeOnlyWhereAFolderIsOnFat) {
  Both("odd", "x", "x", 1000000001, 1000000000);  // a faithful copy onto FAT reads one second off
  Both("three", "x", "x", 1000000000, 1000000003);
  // Another system's clock: the same file, an hour off to the second.
  Both("hour", "x", "y", 1000000000, 1000003601);
  Both("hour-longer", "x", "xx", 1000000000, 1000003600);
  Fill();
  EXPECT_FALSE(OnFatFileSystem(right.Path()));
  EXPECT_EQ(Markers(), (std::vector<std::string>{"-->", "<--", "<--", "<--"}));
  fatFolder = w.Folders().RightFolder;
  // The probe may hang on a stalled file system: the window goes on meanwhile.
  SetFatProbeForTesting([](const std::string& path) {
    usleep(100 * 1000);
    return path.starts_with(fatFolder);
  });
  port.waits = 0;
  EXPECT_EQ(Markers(), (std::vector<std::string>{"=", "<--", "=", "<--"}));
  EXPECT_GE(port.waits, 2);
  // Stamps that are no stamps are compared as text, as ever.
  EXPECT_LT(CompareStamps("2001090901:46:40", "2001090901:46:4x", 2), 0);
  EXPECT_EQ(CompareStamps("2000022923:59:59", "2000030100:00:01", 2), 0);
}

// A file written by the text comparison gets its marker anew by the rules of
// the comparison that marked the list, not by the option chosen since: by
// age with FAT's allowance (a second apart is the same age there), by
// contents after the binary comparison.
TEST_F(AgeOnFat, ASavedFileIsMarkedAgainByTheComparisonThatMarkedTheList) {
  Both("text.txt", "x", "x", 1000000001, 1000000000);
  Fill();
  fatFolder = w.Folders().RightFolder;
  SetFatProbeForTesting([](const std::string& path) { return path.starts_with(fatFolder); });
  w.CompareFiles(false);
  ASSERT_EQ(Marker("text.txt"), "=");
  TextPair pair;
  ASSERT_TRUE(TextPairOfRow(w, Row("text.txt"), pair));
  w.SelectCompMode(0);  // binary chosen, not run: the list is still by age
  right.Write("text.txt", "y", 1000000002);
  EXPECT_EQ(RecomputeRowMarker(w, pair), Row("text.txt"));
  EXPECT_EQ(Marker("text.txt"), "=");
  SetFatProbeForTesting(nullptr);
  RecomputeRowMarker(w, pair);
  EXPECT_EQ(Marker("text.txt"), "<--");

  w.CompareFiles(true);
  ASSERT_EQ(Marker("text.txt"), "<>");
  w.SelectCompMode(1);
  left.Write("text.txt", "y", 900000000);  // older, and now the same contents
  RecomputeRowMarker(w, pair);
  EXPECT_EQ(Marker("text.txt"), "=");
  left.Write("text.txt", "yy");
  RecomputeRowMarker(w, pair);
  EXPECT_EQ(Marker("text.txt"), ">");
}

// A stick mounted below a chosen folder on the normal disk: the files on the
// stick get the allowance, those beside it do not. Else every run copies the
// same files onto the stick again.
TEST_F(AgeOnFat, TheAllowanceFollowsTheFileSystemOfEachFile) {
  testing::TempTree stick;
  right.Mkdir("usb");
  testing::FatMount fat(right.Path("usb"), stick.Path("fat.img"));
  if (!fat.Mounted()) GTEST_SKIP() << "no FAT here";
  left.Write("usb/copied", "x", 1000000001);
  Both("usb/hour", "x", "y", 1000000000, 1000003600);
  Both("odd", "x", "x", 1000000001, 1000000000);
  Both("hour", "x", "y", 1000000000, 1000003600);
  Fill();
  Mark("usb/copied", kMarkCopyRight);
  w.SynchronizeFolders();
  ASSERT_TRUE(right.Exists("usb/copied"));
  Fill();
  w.CompareFiles(false);
  EXPECT_EQ((std::vector{Marker("usb/copied"), Marker("usb/hour"), Marker("odd"), Marker("hour")}),
            (std::vector<std::string>{"=", "=", "-->", "<--"}));
}

TEST_F(AgeOnFat, InstantsDecideWhereTheLocalStampsRunBackwardsOrOutOfDigits) {
  const char* tz = getenv("TZ");
  std::string saved = tz ? tz : "";
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  // 02:30 summer time, then 02:10 winter time forty minutes later.
  Both("autumn", "x", "y", 1792888200, 1792890600);
  Fill();
  EXPECT_EQ(w.Liste().Text(1, kLeftStampColumn), "2026102502:30:00");
  EXPECT_EQ(w.Liste().Text(1, kRightStampColumn), "2026102502:10:00");
  w.CompareFiles(false);
  EXPECT_EQ(Marker("autumn"), "<--");
  if (tz)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
  // The year 10000 has a fifth digit that the stamp has no room for.
  FileFacts y9999{1, 253402300799}, y10000{1, 253402300800};
  EXPECT_GT(CompareAges(y10000, y9999, 0), 0);
  EXPECT_LT(CompareAges(y9999, y10000, 0), 0);
}

}  // namespace
}  // namespace zweiblick
