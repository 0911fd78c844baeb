// The age comparison on FAT, which keeps modification times in 2-second steps.
#include <unistd.h>

#include <gtest/gtest.h>

#include "comparison/compare_files.h"
#include "comparison/time_tolerance.h"
#include "two_trees.h"

namespace zweiblick {
namespace {

std::string fatFolder;

struct AgeOnFat : testing::TwoTrees {
  void TearDown() override { SetFatProbeForTesting(nullptr); }
  std::vector<std::string> Markers() {
    CompareFiles(w, false);
    return {Marker("odd"), Marker("three")};
  }
};

TEST_F(AgeOnFat, TwoSecondsCountAsTheSameAgeOnlyWhereAFolderIsOnFat) {
  left.Write("odd", "x", 1000000001);  // a faithful copy onto FAT reads one second off
  right.Write("odd", "x", 1000000000);
  left.Write("three", "x", 1000000000);
  right.Write("three", "x", 1000000003);
  Fill();
  EXPECT_FALSE(OnFatFileSystem(right.Path()));
  EXPECT_EQ(Markers(), (std::vector<std::string>{"-->", "<--"}));
  fatFolder = w.RightFolder;
  // The probe may hang on a stalled file system: the window goes on meanwhile.
  SetFatProbeForTesting([](const std::string& folder) {
    usleep(100 * 1000);
    return folder == fatFolder;
  });
  port.waits = 0;
  EXPECT_EQ(Markers(), (std::vector<std::string>{"=", "<--"}));
  EXPECT_GE(port.waits, 2);
  // Stamps that are no stamps are compared as text, as ever.
  EXPECT_LT(CompareStamps("2001090901:46:40", "2001090901:46:4x", 2), 0);
  EXPECT_EQ(CompareStamps("2000022923:59:59", "2000030100:00:01", 2), 0);
}

}  // namespace
}  // namespace zweiblick
