// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "child_process.h"
#include "list/markers.h"
#include "own_state.h"
#include "slow_fs_mount.h"
#include "sync/undo_run.h"
#include "two_trees.h"

namespace zweiblick::testing {
namespace {

namespace fs = std::filesystem;

// A day between the home folder (left) and a stick (right, a file system of
// its own, with its own trash): copies both ways that create and replace
// files, and deletions on both sides.
struct UndoRun : ::testing::Test {
  OwnStateAndTrash own;
  TwoFolders f;
  bool mounted = false;

  void SetUp() override {
    mounted = mount("tmpfs", f.right.Path().c_str(), "tmpfs", 0, "size=8m") == 0;
    if (!mounted) GTEST_SKIP() << "cannot mount a tmpfs here";
    f.Both("Fotos/b.jpg", "b new", "b old", 2000, 1000);
    f.Both("c.txt", "c old", "c new", 1000, 2000);
    f.Both("same.txt", "same", "same", 1000, 1000);
    f.left.Write("Neu/neu.txt", "brand new", 3000);
    f.right.Write("d.txt", "d only on the stick", 1000);
    f.left.Write("e.txt", "e only at home", 1000);
  }
  void TearDown() override {
    if (mounted) umount2(f.right.Path().c_str(), MNT_DETACH);
  }

  // Every file of both sides with its contents and time, the trash left out.
  std::map<std::string, std::string> Trees() {
    std::map<std::string, std::string> out;
    for (TempTree* t : {&f.left, &f.right}) {
      for (auto it = fs::recursive_directory_iterator(t->Path()); it != fs::end(it); ++it) {
        if (it->path().filename() == ".Trash-0") it.disable_recursion_pending();
        if (!it->is_regular_file() || it->path().string().find("/.Trash-0/") != std::string::npos)
          continue;
        std::string rel = it->path().string().substr(t->Path().size() + 1);
        struct stat st {};
        stat(it->path().c_str(), &st);
        out[(t == &f.left ? "L " : "R ") + rel] =
            t->Read(rel) + " @" + std::to_string(st.st_mtim.tv_sec);
      }
    }
    return out;
  }
  static std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) out.insert(e.path().filename());
    return out;
  }
  std::string HomeTrash() const { return own.data.Path("Trash"); }
  std::string StickTrash() const { return f.right.Path(".Trash-0"); }

  void Run() {
    f.w.SelectCompMode(kCompModeAge);
    f.Fill();
    f.w.CompareSelected();
    f.Mark("Neu/neu.txt", kMarkCopyRight);
    f.Mark("d.txt", kMarkDeleteRight);
    f.Mark("e.txt", kMarkDeleteLeft);
    ASSERT_EQ(f.Marker("Fotos/b.jpg"), kMarkCopyRight);
    ASSERT_EQ(f.Marker("c.txt"), kMarkCopyLeft);
    const int second = f.Row("Alben/b.jpg") ? 1 : 0;
    SyncTally t = f.w.SynchronizeFolders();
    ASSERT_EQ(t.copied, 3 + second);
    ASSERT_EQ(t.deleted, 2);
    ASSERT_EQ(t.trashed, 4 + second);
    ASSERT_TRUE(f.w.CanUndo());
  }
  bool Undo() {
    f.port.answers.push_back(MsgAnswer::kYes);  // the plan
    return f.w.UndoLastRun(f.left.Path(), f.right.Path());
  }
};

TEST_F(UndoRun, EveryFileComesBackByteForByteAndTheTrashListsItNoMore) {
  const auto before = Trees();
  Run();
  ASSERT_NE(Trees(), before);
  const size_t shown = f.port.messages.size();
  EXPECT_TRUE(Undo());
  ASSERT_GT(f.port.messages.size(), shown);
  EXPECT_NE(f.port.messages[shown].text.find("3 Kopien gehen in den Papierkorb, 4 Dateien"),
            std::string::npos)
      << f.port.messages[shown].text;
  EXPECT_EQ(Trees(), before);
  EXPECT_EQ(UndoTallyLine(f.w.LastUndo()), "Rückgängig: 4 zurückgeholt, 3 Kopien im Papierkorb");
  // In the trash now: the run's copies, each listed once (named anew, as the
  // versions they replaced still lay there when they came); what came back
  // is neither there nor listed.
  EXPECT_EQ(Names(HomeTrash() + "/files"), (std::set<std::string>{"c.2.txt"}));
  EXPECT_EQ(Names(HomeTrash() + "/info"), (std::set<std::string>{"c.2.txt.trashinfo"}));
  EXPECT_EQ(Names(StickTrash() + "/files"), (std::set<std::string>{"b.2.jpg", "neu.txt"}));
  EXPECT_EQ(Names(StickTrash() + "/info"),
            (std::set<std::string>{"b.2.jpg.trashinfo", "neu.txt.trashinfo"}));
  // Used up: nothing is left to undo.
  EXPECT_FALSE(f.w.CanUndo());
  EXPECT_FALSE(f.w.UndoLastRun(f.left.Path(), f.right.Path()));
  EXPECT_NE(f.port.messages.back().text.find("kein Abgleich rückgängig"), std::string::npos);
  // The trash of a stick mounted elsewhere next time is found below it again.
  EXPECT_EQ(MovedWithFolder("/media/a/.Trash-0/files", "/media/a/Fotos", "/mnt/x/Fotos"),
            "/mnt/x/.Trash-0/files");
  EXPECT_EQ(MovedWithFolder("/media/a/.Trash-0/files", "/media/a", "/mnt/x"),
            "/mnt/x/.Trash-0/files");  // the stick chosen whole
  EXPECT_EQ(MovedWithFolder("/home/u/.local/share/Trash/files", "/home/u/Bilder", "/mnt/Bilder"),
            "/home/u/.local/share/Trash/files");
}

TEST_F(UndoRun, WhatChangedSinceStaysAsItIsAndIsNamed) {
  Run();
  f.right.Write("Fotos/b.jpg", "b edited on the stick", 4000);  // the copy, edited
  fs::remove(StickTrash() + "/files/d.txt");                    // the trash emptied
  f.left.Write("e.txt", "a new e", 4000);                       // the place taken
  EXPECT_FALSE(Undo());
  const std::vector<std::string>& left = f.w.LastUndo().leftAlone;
  ASSERT_EQ(left.size(), 4u);
  std::string all;
  for (const std::string& l : left) all += l + "\n";
  for (const char* name : {"b.jpg' wurde nach dem Abgleich geändert", "d.txt' ist nicht mehr",
                           "e.txt' ist wieder belegt", "b.jpg' ist wieder belegt"})
    EXPECT_NE(all.find(name), std::string::npos) << all;
  EXPECT_NE(f.port.messages.back().text.find("bleibt, wie es ist"), std::string::npos);
  // Nothing overwritten; what could come back did.
  EXPECT_EQ(f.right.Read("Fotos/b.jpg"), "b edited on the stick");
  EXPECT_EQ(f.left.Read("e.txt"), "a new e");
  EXPECT_EQ(f.left.Read("c.txt"), "c old");
  EXPECT_FALSE(f.right.Exists("Neu/neu.txt"));
  EXPECT_TRUE(f.right.Exists("Neu"));                            // folders the run made stay
  EXPECT_EQ(Names(StickTrash() + "/files").count("b.jpg"), 1u);  // the old b, kept
  EXPECT_EQ(Names(HomeTrash() + "/files").count("e.txt"), 1u);
}

TEST_F(UndoRun, AnUndoKilledAtAnyStepAndRunAgainLosesNothing) {
  // A second b.jpg: the trash names its versions b.jpg and b.2.jpg, and an
  // undo cut short may give a name it freed to a copy it trashed.
  f.Both("Alben/b.jpg", "b2 new", "b2 old", 2000, 1000);
  const auto before = Trees();
  for (int step = 1; step <= 8; ++step) {
    SCOPED_TRACE("killed after entry " + std::to_string(step));
    Run();
    int killed = InChild([&] {
      int entries = 0;
      f.port.onYield = [&] {
        if (++entries == step) raise(SIGKILL);
      };
      Undo();
      return true;
    });
    ASSERT_EQ(killed, 1);  // died, as meant
    ASSERT_TRUE(f.w.CanUndo());
    EXPECT_TRUE(Undo()) << ::testing::PrintToString(f.w.LastUndo().leftAlone);
    ASSERT_EQ(Trees(), before);
    EXPECT_FALSE(f.w.CanUndo());
  }
}

// On a FAT stick, taken out and put in again between the run and its undo
// (every inode number new): a copy put in place that then failed, as its time
// would not hold, is undone like the others, whether it replaced a file or not.
TEST(UndoOnFat, ACopyThatFailedOnceInPlaceIsUndoneTooOnceTheStickIsBack) {
  OwnStateAndTrash own;
  TwoFolders f;
  TempTree outside;
  const std::string image = outside.Path("fat.img");
  auto stick = std::make_unique<FatMount>(f.right.Path(), image);
  if (!stick->Mounted()) GTEST_SKIP() << "no fusefat here";
  f.Both("kept.txt", "new kept", "old kept", 1500000000, 1400000000);
  f.Both("1973.txt", "new 1973", "old 1973", 100000000, 1400000000);  // FAT cannot hold it
  f.left.Write("1975.txt", "new 1975", 170000000);
  f.Fill();
  f.Mark("kept.txt", kMarkCopyRight);
  f.Mark("1973.txt", kMarkCopyRight);
  f.Mark("1975.txt", kMarkCopyRight);
  f.port.answers = {MsgAnswer::kIgnore, MsgAnswer::kIgnore};
  SyncTally t = f.w.SynchronizeFolders();
  ASSERT_EQ(t.copied, 1);
  ASSERT_EQ(t.failed, 2);
  ASSERT_EQ(f.right.Read("1973.txt"), "new 1973");  // in place, its row failed
  ASSERT_EQ(f.right.Read("1975.txt"), "new 1975");
  stick->Unmount();
  stick = std::make_unique<FatMount>(f.right.Path(), image, false);
  ASSERT_TRUE(stick->Mounted());
  f.port.answers = {MsgAnswer::kYes};
  EXPECT_TRUE(f.w.UndoLastRun(f.left.Path(), f.right.Path()))
      << ::testing::PrintToString(f.w.LastUndo().leftAlone);
  EXPECT_EQ(f.right.Read("kept.txt"), "old kept");
  EXPECT_EQ(f.right.Read("1973.txt"), "old 1973");
  EXPECT_FALSE(f.right.Exists("1975.txt"));
  EXPECT_EQ(UndoTallyLine(f.w.LastUndo()), "Rückgängig: 2 zurückgeholt, 3 Kopien im Papierkorb");
  // fusefat writes the time of a rename onto the disk: what comes back from
  // the trash has its own time all the same, on the disk and not only in the cache.
  stick->Unmount();
  stick = std::make_unique<FatMount>(f.right.Path(), image, false);
  ASSERT_TRUE(stick->Mounted());
  EXPECT_EQ(f.right.Stat("kept.txt").st_mtime, 1400000000);
  EXPECT_EQ(f.right.Stat("1973.txt").st_mtime, 1400000000);
}

// Without hard links the old version goes into the trash before the copy
// takes its name. Where that rename fails and so does the move back, the old
// version stays in the trash: the undo must know it is there.
TEST(UndoOnFuse, AnOldVersionLeftInTheTrashByTwoFailedRenamesComesBack) {
  OwnStateAndTrash own;
  TwoFolders f;
  SlowFsMount stick(f.right.Path(), "rename");
  if (!stick.Mounted()) GTEST_SKIP() << "no FUSE here";
  f.left.Write("old.txt", "new", 2000000000);
  f.Fill();
  f.Mark("old.txt", kMarkCopyRight);
  SyncTally t = f.w.SynchronizeFolders();
  ASSERT_EQ(t.failed, 1);
  ASSERT_EQ(t.trashed, 1);
  ASSERT_FALSE(f.right.Exists("old.txt"));
  f.port.answers = {MsgAnswer::kYes};
  EXPECT_TRUE(f.w.UndoLastRun(f.left.Path(), f.right.Path()))
      << ::testing::PrintToString(f.w.LastUndo().leftAlone);
  EXPECT_EQ(f.right.Read("old.txt"), "old");
}

// On a network or FUSE file system new copies are put in place ahead of
// their turn and recorded as they were put there, without another look: the
// undo finds each as recorded and takes it away.
TEST(UndoOnFuse, NewCopiesPutInPlaceAheadAreUndone) {
  OwnStateAndTrash own;
  TwoFolders f;
  SlowFsMount share(f.right.Path(), "none");
  if (!share.Mounted()) GTEST_SKIP() << "no FUSE here";
  f.left.Write("a.txt", "new a", 1500000000);
  f.left.Write("b.txt", "the new b", 1500000007);
  f.Fill();
  f.Mark("a.txt", kMarkCopyRight);
  f.Mark("b.txt", kMarkCopyRight);
  ASSERT_EQ(f.w.SynchronizeFolders().copied, 2);
  ASSERT_EQ(f.right.Read("b.txt"), "the new b");
  // The plan, then deleting for good: the share has no room for a trash.
  f.port.answers = {MsgAnswer::kYes, MsgAnswer::kYes, MsgAnswer::kYes};
  EXPECT_TRUE(f.w.UndoLastRun(f.left.Path(), f.right.Path()))
      << ::testing::PrintToString(f.w.LastUndo().leftAlone);
  EXPECT_TRUE(f.w.LastUndo().leftAlone.empty())
      << ::testing::PrintToString(f.w.LastUndo().leftAlone);
  EXPECT_FALSE(f.right.Exists("a.txt"));
  EXPECT_FALSE(f.right.Exists("b.txt"));
  EXPECT_EQ(f.left.Read("b.txt"), "the new b");
}

}  // namespace
}  // namespace zweiblick::testing
