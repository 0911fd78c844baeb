// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <locale.h>

#include <cerrno>
#include <ctime>
#include <string>

#include "child_process.h"
#include "list/facts_text.h"
#include "list/markers.h"
#include "reading/path_helpers.h"
#include "sync/failure_reason.h"
#include "sync/safe_files.h"
#include "sync/sync_plan.h"
#include "sync/synchronize_folders.h"
#include "sync/temporary_files.h"
#include "sync/trash.h"
#include "two_trees.h"

namespace zweiblick {
namespace {

using testing::InChild;
using testing::kCannotHere;
using testing::OrdinaryUserOrCannot;
using testing::TempTree;

struct Sync : testing::TwoTrees {
  TempTree outside;

  void SetUp() override { outside.Write("sentinel", "do not touch"); }
  void TearDown() override { EXPECT_EQ(outside.Read("sentinel"), "do not touch"); }

  // Marks the rows of these names, then synchronises.
  void MarkAndSync(std::initializer_list<std::pair<const char*, const char*>> marks) {
    for (auto [name, marker] : marks) Mark(name, marker);
    w.SynchronizeFolders();
  }
};

TEST_F(Sync, CarriesOutTheFiveActionsAndRemovesEveryRow) {
  Both("copy-right.txt", "new left", "old right", 2000000000, 1000000000);
  Both("copy-left.txt", "old left", "new right", 1000000000, 2000000000);
  left.Write("sub/deep/only-left.txt", "L");
  right.Write("only-right/r.txt", "R");
  Both("del-right.txt", "keep", "x");
  Both("del-left.txt", "x", "keep");
  Both("del-both.txt", "x", "x");
  left.Write("skip.txt", "s");
  Fill();
  MarkAndSync({{"copy-right.txt", kMarkCopyRight},
               {"copy-left.txt", kMarkCopyLeft},
               {"sub/deep/only-left.txt", kMarkCopyRight},
               {"only-right/r.txt", kMarkCopyLeft},
               {"del-right.txt", kMarkDeleteRight},
               {"del-left.txt", kMarkDeleteLeft},
               {"del-both.txt", kMarkDeleteBoth},
               {"skip.txt", kMarkSkip}});
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(w.Liste().Count(), 0);
  EXPECT_EQ(right.Read("copy-right.txt"), "new left");
  EXPECT_EQ(left.Read("copy-left.txt"), "new right");
  EXPECT_EQ(right.Read("sub/deep/only-left.txt"), "L");  // missing folders made
  EXPECT_EQ(left.Read("only-right/r.txt"), "R");
  EXPECT_FALSE(right.Exists("del-right.txt"));
  EXPECT_EQ(left.Read("del-right.txt"), "keep");
  EXPECT_FALSE(left.Exists("del-left.txt"));
  EXPECT_EQ(right.Read("del-left.txt"), "keep");
  EXPECT_FALSE(left.Exists("del-both.txt"));
  EXPECT_FALSE(right.Exists("del-both.txt"));
  EXPECT_FALSE(right.Exists("skip.txt"));
  EXPECT_EQ(port.statusHistory.back(), "Status: Datenabgleich beendet.");
  EXPECT_EQ(port.progress, 0);
  EXPECT_TRUE(w.CompareButtonEnabled());
  EXPECT_TRUE(left.TemporaryFiles().empty());
  EXPECT_TRUE(right.TemporaryFiles().empty());
}

int Refuse(int error) {
  errno = error;
  return -1;
}

TEST_F(Sync, CopiesCarryTimeAndNeverWidenPermissions) {
  // A stick shows every file as 0777; the private file at home stays private.
  Both("private.txt", "from the stick", "at home", 1500000000, 1400000000);
  chmod(left.Path("private.txt").c_str(), 0777);
  chmod(right.Path("private.txt").c_str(), 0600);
  // A new file takes the source's bits less the umask, and no setuid.
  left.Write("tool", "#!/bin/sh\n", 1500000000);
  chmod(left.Path("tool").c_str(), 04777);
  mode_t oldMask = umask(022);
  Fill();
  MarkAndSync({{"private.txt", kMarkCopyRight}, {"tool", kMarkCopyRight}});
  umask(oldMask);
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(right.Read("private.txt"), "from the stick");
  EXPECT_EQ(right.Mode("private.txt"), 0600u);
  EXPECT_EQ(right.Mode("tool"), 0755u);
  EXPECT_EQ(right.Stat("private.txt").st_mtime, 1500000000);
  EXPECT_EQ(right.Stat("tool").st_mtime, 1500000000);
}

TEST_F(Sync, OldTemporaryFilesGoWhenTheirRunIsGoneOrAfterADay) {
  Both("f", "new", "old", 1500000000, 1400000000);
  // A temporary file whose writer cannot be told goes when it has not been
  // changed for a day: by its ctime, as its mtime is its source's.
  long now = static_cast<long>(time(nullptr));
  right.Write(".zweiblick-0123456789ab.tmp", "a copy's, of an old file", now - 2 * 86400);
  right.Write("other/.zweiblick-0123456789ab.tmp", "not written to", now - 2 * 86400);
  // Others go at once when their run is gone: its process has ended, or the
  // machine has been restarted since. A living run's stay, this one's and
  // another process's, whatever their age.
  const std::string running = TemporaryName();
  if (pid_t ended = fork(); ended == 0) {
    right.Write(TemporaryName(), "copy");
    _exit(0);
  } else {
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
  }
  int wake[2], ready[2];
  ASSERT_EQ(pipe(wake) | pipe(ready), 0);
  pid_t alive = fork();
  if (alive == 0) {
    close(wake[1]);  // so that the parent's close ends the wait
    std::string name = TemporaryName();
    right.Write(name, "a copy of 2001", 978307200);
    char c = 0;
    if (write(ready[1], name.c_str(), name.size()) < 0 || read(wake[0], &c, 1) < 0) _exit(1);
    _exit(0);
  }
  char aliveName[128] = {};
  ASSERT_GT(read(ready[0], aliveName, sizeof aliveName - 1), 0);
  std::string bootId, rebooted = running;
  std::getline(std::ifstream("/proc/sys/kernel/random/boot_id"), bootId);
  size_t boot = rebooted.find(bootId.substr(0, 8) + bootId.substr(9, 4));
  ASSERT_NE(boot, std::string::npos);
  rebooted.replace(boot, 12, "000000000000");
  for (const std::string& name : {running, rebooted}) right.Write(name, "copy");
  ASSERT_EQ(right.TemporaryFiles().size(), 6u);
  Fill();
  MarkAndSync({{"f", kMarkCopyRight}});
  close(wake[1]);
  waitpid(alive, nullptr, 0);
  for (int fd : {wake[0], ready[0], ready[1]}) close(fd);
  std::vector<std::string> kept{right.Path(running), right.Path(aliveName),
                                right.Path(".zweiblick-0123456789ab.tmp"),
                                right.Path("other/.zweiblick-0123456789ab.tmp")};
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(right.TemporaryFiles(), kept);
}

TEST_F(Sync, AModeAFileSystemCannotKeepDoesNotFailTheCopyATimeDoes) {
  Both("f", "new", "old", 2000000000, 1000000000);
  Both("g", "new", "old", 2000000000, 1000000000);
  Both("h", "new", "old", 2000000000, 1000000000);
  Fill();
  port.answers = {MsgAnswer::kIgnore, MsgAnswer::kIgnore};
  MetadataCalls& calls = CopyMetadataCalls();
  calls.setMode = [](int, mode_t) { return Refuse(ENOSYS); };  // as FAT answers fchmod
  MarkAndSync({{"f", kMarkCopyRight}});
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(right.Read("f"), "new");
  // As exFAT answers futimens for a user who does not own the mount: the copy
  // would look newer than its source; and a real error of the mode. Neither
  // touches the destination.
  calls.setTimes = [](int, const timespec*) { return Refuse(EPERM); };
  Fill();
  MarkAndSync({{"g", kMarkCopyRight}});
  calls = MetadataCalls{};
  calls.setMode = [](int, mode_t) { return Refuse(EIO); };
  Fill();
  MarkAndSync({{"h", kMarkCopyRight}});
  calls = MetadataCalls{};
  EXPECT_EQ(port.messages.size(), 2u);
  EXPECT_EQ(right.Read("g") + right.Read("h"), "oldold");
  EXPECT_TRUE(right.TemporaryFiles().empty());
}

TEST_F(Sync, AbortKeepsTheFailingRowAndEveryRowAboveIt) {
  for (int i = 1; i <= 10; ++i) left.Write("f" + std::string(1, char('a' + i - 1)), "x");
  Fill();
  for (int i = 1; i <= 10; ++i) w.Liste().SetText(i, kMarkerColumn, kMarkCopyRight);
  std::filesystem::remove(left.Path("fh"));  // row 8's source is gone
  port.answers = {MsgAnswer::kAbort};
  w.SynchronizeFolders();
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text, "Abgleichsfehler:\r\rDie Datei '" + left.Path("fh") +
                                       "'\rkonnte nicht nach '" + right.Path("fh") +
                                       "'\rkopiert werden.\r\rBitte quittieren oder abbrechen");
  EXPECT_EQ(port.messages[0].icon, MsgIcon::kCritical);
  EXPECT_EQ(port.messages[0].buttons, MsgButtons::kAbortRetryIgnore);
  EXPECT_EQ(w.Liste().Count(), 8);
  EXPECT_EQ(Rows().back(), (std::vector<std::string>{"fh", "-->", ""}));
  EXPECT_TRUE(right.Exists("fi") && right.Exists("fj"));
  EXPECT_FALSE(right.Exists("fg"));
  EXPECT_EQ(port.statusHistory.back(), "Status: Datenabgleich beendet.");
  EXPECT_EQ(port.progress, 0);
}

TEST_F(Sync, IgnoreKeepsExactlyItsRowEvenForAMarkerWithoutItsFile) {
  left.Write("a", "a");
  Both("b", "b", "b");
  left.Write("c", "c");
  left.Write("l", "l");
  right.Write("r", "r");
  Fill();
  // Replaced after the folders were read, so the left deletion of "XX" fails.
  left.Write("b", "new contents the user has not seen", 2100000000);
  port.answers = {MsgAnswer::kIgnore, MsgAnswer::kIgnore};
  // No left file for "r": the path is empty.
  MarkAndSync({{"a", kMarkCopyRight},
               {"b", kMarkDeleteBoth},
               {"c", kMarkCopyRight},
               {"l", kMarkSkip},
               {"r", kMarkDeleteLeft}});
  // The rows are carried out from the bottom up; the one without a left name sorts first.
  ASSERT_EQ(port.messages.size(), 2u);
  EXPECT_PRED_FORMAT2(::testing::IsSubstring,
                      "Die Datei '" + left.Path("b") + "'\rkonnte nicht gelöscht werden.",
                      port.messages[0].text);
  EXPECT_EQ(port.messages[1].text,
            "Abgleichsfehler:\r\rDie Datei ''\rkonnte nicht gelöscht werden.\r\rBitte quittieren "
            "oder abbrechen");
  EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{{"", "<-X", "r"}, {"b", "XX", "b"}}));
  EXPECT_EQ(left.Read("b"), "new contents the user has not seen");
  EXPECT_FALSE(right.Exists("b"));
  EXPECT_TRUE(right.Exists("a") && right.Exists("c") && right.Exists("r"));
  // An empty list: the two status texts and nothing else.
  w.ClearList();
  port.statusHistory.clear();
  w.SynchronizeFolders();
  EXPECT_EQ(port.statusHistory, (std::vector<std::string>{"Status: Datenabgleich läuft ...",
                                                          "Status: Datenabgleich beendet."}));
}

TEST_F(Sync, NothingChangedSinceReadingIsOverwrittenAndRetryChecksAgain) {
  Both("f", "left", "right", 2000000000, 1000000000);
  left.Write("g", "left");
  // Edited within the second of their stamps: the list shows the same stamps.
  Both("h", "left", "right", 2000000000, 1000000000);
  Both("d", "left", "right", 2000000000, 1000000000);
  Fill();
  right.Write("f", "edited after the comparison", 1000000500);
  right.Write("g", "appeared after the comparison");
  for (const char* name : {"h", "d"}) {
    right.Write(name, "edited in the same second");
    timespec times[2] = {{1000000000, 500000000}, {1000000000, 500000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, right.Path(name).c_str(), times, 0), 0);
  }
  port.answers = {MsgAnswer::kRetry};  // then Ignore
  MarkAndSync({{"f", kMarkCopyRight},
               {"g", kMarkCopyRight},
               {"h", kMarkCopyRight},
               {"d", kMarkDeleteRight}});
  EXPECT_EQ(port.messages.size(), 5u);
  EXPECT_EQ(right.Read("f"), "edited after the comparison");
  EXPECT_EQ(right.Read("g"), "appeared after the comparison");
  EXPECT_EQ(right.Read("h"), "edited in the same second");
  EXPECT_EQ(right.Read("d"), "edited in the same second");
  EXPECT_EQ(w.Liste().Count(), 4);
}

TEST_F(Sync, NothingIsWrittenOrDeletedThroughALink) {
  left.Write("sub/x", "x");
  left.Write("victim-link", "x");
  right.Mkdir("dummy");
  Fill();
  // After reading, the right side's folder "sub" becomes a link to a folder outside.
  ASSERT_EQ(symlink(outside.Path().c_str(), right.Path("sub").c_str()), 0);
  // And a left file becomes a link to the sentinel: deleting removes the link only.
  std::filesystem::remove(left.Path("victim-link"));
  ASSERT_EQ(symlink(outside.Path("sentinel").c_str(), left.Path("victim-link").c_str()), 0);
  // As if the walk had seen the link already.
  w.Liste().SetFacts(Row("victim-link"), true, FactsOf(outside.Stat("sentinel")));
  port.answers = {MsgAnswer::kIgnore};
  MarkAndSync({{"sub/x", kMarkCopyRight}, {"victim-link", kMarkDeleteLeft}});
  EXPECT_EQ(port.messages.size(), 1u);
  EXPECT_FALSE(outside.Exists("x"));
  EXPECT_FALSE(left.Exists("victim-link"));
  EXPECT_TRUE(outside.Exists("sentinel"));
}

TEST_F(Sync, WriteProtectedFilesAreNeitherReplacedNorDeleted) {
  // Protected for everybody, root included: no write bit at all.
  Both("ro", "new", "old", 2000000000, 1000000000);
  chmod(right.Path("ro").c_str(), 0444);
  left.Write("ro-del", "x");
  chmod(left.Path("ro-del").c_str(), 0444);
  // Protected for an ordinary user only: root's files in folders anybody may write.
  Both("roots", "new", "old", 2000000000, 1000000000);
  // Root's setuid file that anybody may write: its bits were meant for root.
  Both("suid", "new", "old", 2000000000, 1000000000);
  chmod(right.Path("suid").c_str(), 06777);
  left.Write("roots-del", "x");
  chmod(left.Path().c_str(), 0777);
  chmod(right.Path().c_str(), 0777);
  Fill();
  Mark("ro", kMarkCopyRight);
  Mark("ro-del", kMarkDeleteLeft);
  Mark("roots", kMarkCopyRight);
  Mark("roots-del", kMarkDeleteLeft);
  Mark("suid", kMarkCopyRight);
  int held = InChild([&] {
    OrdinaryUserOrCannot();
    w.SynchronizeFolders();  // every failure answered with Ignore
    return port.messages.size() == 4 && w.Liste().Count() == 4;
  });
  EXPECT_EQ(right.Read("roots"), "old");
  EXPECT_TRUE(left.Exists("roots-del"));
  if (held != kCannotHere) {
    EXPECT_EQ(held, 0) << "an ordinary user replaced or deleted a protected file";
    EXPECT_EQ(right.Read("suid"), "new");
    EXPECT_EQ(right.Mode("suid"), 0777u) << "setuid for its new owner";
  }
  Mark("suid", kMarkSkip);  // done by the child
  w.SynchronizeFolders();   // as root
  EXPECT_EQ(port.messages.size(), 2u);
  EXPECT_EQ(w.Liste().Count(), 2);
  EXPECT_EQ(Marker("ro") + Marker("ro-del"), "--><-X");
  EXPECT_EQ(right.Read("ro"), "old");
  EXPECT_TRUE(left.Exists("ro-del"));
  EXPECT_EQ(right.Read("roots"), "new");
  EXPECT_FALSE(left.Exists("roots-del"));
}

TEST_F(Sync, SourcesAreReadThroughLinksAsListedAndThoseThatAreNoFilesFail) {
  outside.Write("shared/x.txt", "x");
  left.Write("data.txt", "d");
  ASSERT_EQ(symlink(outside.Path("shared").c_str(), left.Path("linked").c_str()), 0);
  ASSERT_EQ(symlink("data.txt", left.Path("link.txt").c_str()), 0);
  left.Write("pipe", "");
  Fill();
  std::filesystem::remove(left.Path("pipe"));
  ASSERT_EQ(mkfifo(left.Path("pipe").c_str(), 0600), 0);
  port.answers = {MsgAnswer::kIgnore};
  // Must not hang on the FIFO.
  MarkAndSync(
      {{"linked/x.txt", kMarkCopyRight}, {"link.txt", kMarkCopyRight}, {"pipe", kMarkCopyRight}});
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_PRED_FORMAT2(::testing::IsSubstring, "'" + left.Path("pipe") + "'", port.messages[0].text);
  EXPECT_FALSE(right.Exists("pipe"));
  EXPECT_EQ(right.Read("linked/x.txt"), "x");
  EXPECT_EQ(right.Read("link.txt"), "d");
  EXPECT_FALSE(std::filesystem::is_symlink(right.Path("link.txt")));
}

TEST_F(Sync, CopyThatFailsMidwayLeavesTheOldDestinationWhole) {
  // A real full disk: a 1 MiB tmpfs in a private mount namespace, in a child
  // process so the test process keeps its own view of the mounts.
  left.Write("f", std::string(3 << 20, 'n'));
  int held = testing::InChildOnMount(right.Path(), "tmpfs", "size=1m", [&] {
    right.Write("f", "old contents");
    DurableRun run;
    SideFolder from(left.Path(), IdentityOf(left.Path(), FactsOf(left.Stat("")))),
        to(right.Path(), IdentityOf(right.Path(), FactsOf(right.Stat(""))));
    SeenFile seen{true, StampText(right.Stat("f").st_mtime), {}};
    int e = 0;
    {
      PreparedCopy copy;  // what it wrote goes with it
      e = PrepareCopy(from, "f", SeenFile{}, to, "f", seen, run, copy);
    }
    return e != 0 && right.Read("f") == "old contents" && right.TemporaryFiles().empty();
  });
  EXPECT_CHILD_HELD(held, "the old destination was damaged or a temporary file stayed");
}

// A far side makes a missing folder before it looks for it: the same folders
// made, with the same bits, an existing one entered as it is, and a link or
// a file in the way never taken for a folder.
TEST_F(Sync, FoldersAreMadeAlikeWhetherMadeBeforeOrAfterTheLook) {
  left.Write("a/b/c/f", "f");
  right.Mkdir("a");
  right.Write("file", "not a folder");
  ASSERT_EQ(chmod(left.Path("a/b").c_str(), 0750), 0);
  ASSERT_EQ(chmod(right.Path("a").c_str(), 0701), 0);
  ASSERT_EQ(symlink(outside.Path().c_str(), right.Path("link").c_str()), 0);
  const mode_t oldMask = umask(022);
  for (bool makeFirst : {false, true}) {
    SCOPED_TRACE(makeFirst ? "made first" : "looked for first");
    SideFolder from(left.Path(), IdentityOf(left.Path(), FactsOf(left.Stat("")))),
        to(right.Path(), IdentityOf(right.Path(), FactsOf(right.Stat(""))), makeFirst);
    std::vector<std::string> made;
    EXPECT_EQ(PrepareTarget(to, "a/b/c/f", from, "a/b/c/f", &made), 0);
    EXPECT_EQ(made, (std::vector<std::string>{"a/b", "a/b/c"}));
    EXPECT_EQ(right.Mode("a"), 0701u);
    EXPECT_EQ(right.Mode("a/b"), 0750u);
    EXPECT_NE(PrepareTarget(to, "link/x/f", from, "a/b/c/f", &made), 0);
    EXPECT_FALSE(outside.Exists("x"));
    EXPECT_EQ(PrepareTarget(to, "file/x/f", from, "a/b/c/f", &made), ENOTDIR);
    EXPECT_EQ(made.size(), 2u);
    std::filesystem::remove_all(right.Path("a/b"));
  }
  umask(oldMask);
}

// The plan says which way each copy goes; a proposal carried out copies the
// file of the side it stands on. A side too small for what its copies add
// says so before the run: a 1 MiB tmpfs as the stick.
TEST_F(Sync, APlanSaysWhichWayItCopiesAndWhereTheCopiesDoNotFit) {
  left.Write("left-only.txt", "12345");
  right.Write("right-only.txt", "1234567");
  Fill();
  Mark("left-only.txt", kMarkLeftOnly);
  Mark("right-only.txt", kMarkRightOnly);
  EXPECT_EQ(SyncPlanText(PlanSync(w.Liste(), true)), "→ 1 (5 B), ← 1 (7 B)");
  EXPECT_EQ(SyncPlanText(PlanSync(w.Liste(), false)), "2 nur vorgeschlagen");

  const std::string big(3 << 20, 'n');
  left.Write("big.bin", big, 2000000000);
  left.Write("replaced.bin", std::string(600 << 10, 'n'), 2000000000);
  left.Write("gone.txt", "x");
  const std::string name = right.Path().substr(right.Path().rfind('/') + 1);
  std::string shown, wanted;
  int held = testing::InChildOnMount(right.Path(), "tmpfs", "size=1m", [&] {
    right.Write("replaced.bin", std::string(500 << 10, 'o'), 1000000000);
    right.Write("gone.txt", "x");
    right.Write("new-on-stick.txt", "abc");
    Fill();
    w.SelectCompMode(kCompModeAge);
    w.CompareFiles(false);
    Mark("left-only.txt", kMarkSkip);
    Mark("big.bin", kMarkCopyRight);
    Mark("gone.txt", kMarkDeleteRight);
    Mark("new-on-stick.txt", kMarkCopyLeft);
    w.PopupItemClick(10);  // "&Abbrechen": only the panel is written anew
    struct statvfs fs {};
    if (statvfs(right.Path().c_str(), &fs) != 0) return false;
    // Only what the replacement adds counts, not its whole size.
    int64_t missing = (3 << 20) + (100 << 10) - int64_t(fs.f_bavail) * int64_t(fs.f_frsize);
    shown = port.panels[1];
    wanted = "5 Dateien · passt nicht: auf '" + name + "' fehlen " + SizeText(missing) +
             " · Abgleich: → 2 (3,6 MB), ← 1 (3 B), löschen rechts 1";
    if (shown != wanted)
      std::fprintf(stderr, "shown:  %s\nwanted: %s\n", shown.c_str(), wanted.c_str());
    return shown == wanted && missing > (2 << 20);
  });
  EXPECT_CHILD_HELD(held, "the plan did not say which way and what does not fit");
}

// A row whose copy failed and was passed over stays and says why, in its
// column "Fehler" and its tool tip, and "Nur Unterschiede zeigen" keeps it.
// F5 then reads both folders again and repeats the age comparison: each
// folder in its own column, the failure gone with the old rows.
TEST_F(Sync, AFailedRowSaysWhyAndReadingThePairAgainComparesItAnew) {
  Both("a.txt", "new", "old", 2000000000, 1000000000);
  Both("same.txt", "s", "s", 1000000000, 1000000000);
  int held = InChild([&] {
    testing::OwnMountsOrCannot();
    const std::string folder = right.Path();
    const char* r = folder.c_str();
    if (mount(r, r, nullptr, MS_BIND, nullptr) != 0 ||
        mount(nullptr, r, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
      _exit(kCannotHere);
    Fill();
    w.SelectCompMode(kCompModeAge);
    w.CompareFiles(false);
    w.DiffOnlyCheckClick(true);
    port.answers = {MsgAnswer::kIgnore};
    w.SynchronizeFolders();
    const ComparisonList& list = w.Liste();
    const std::string reason = FailureReason(EROFS);
    bool failed = list.Count() == 1 && list.Text(1, kLeftNameColumn) == "a.txt" &&
                  FactsColumnText(list, 1, kFailureColumn) == reason &&
                  FactsToolTip(list, 1).ends_with("\rFehler: " + reason) && !list.Hidden(1) &&
                  port.failureColumn && list.Header(kFailureColumn) == "Fehler";
    w.ReadPairAgain();
    bool again = Rows() == std::vector<std::vector<std::string>>{{"a.txt", "-->", "a.txt"},
                                                                 {"same.txt", "=", "same.txt"}} &&
                 list.FailedCount() == 0 && !port.failureColumn;
    return failed && again;
  });
  EXPECT_CHILD_HELD(held, "the failed row lost its reason, or F5 did not compare anew");
}

// A run leaves the list empty; the left folder's last file is moved away
// meanwhile. F5 still puts the right folder into the right column, where a
// folder button would have put it into the left one.
TEST_F(Sync, ReadingThePairAgainNeverSwapsTheSides) {
  left.Write("l.txt", "l");
  right.Write("photo.jpg", "p");
  Fill();
  w.SelectCompMode(kCompModeAge);
  w.CompareFiles(false);
  w.SynchronizeFolders();
  ASSERT_EQ(w.Liste().Count(), 0);
  std::filesystem::remove(left.Path("l.txt"));
  w.ReadPairAgain();
  EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{{"", "? <--", "photo.jpg"}}));
  EXPECT_EQ(w.Folders().LeftFolder, left.Dir());
  EXPECT_EQ(w.Folders().RightFolder, right.Dir());
}

// The reasons users meet most, word for word: a changed or swapped text fails.
TEST(FailureReasonText, TheCommonReasonsReadAsWritten) {
  const std::pair<int, const char*> reasons[] = {
      {ENOSPC, "Auf dem Datenträger ist kein Platz mehr frei."},
      {EROFS, "Der Datenträger ist schreibgeschützt."},
      {EACCES, "Die Datei oder ihr Ordner ist schreibgeschützt, oder die Berechtigung fehlt."},
      {ENOENT, "Die Datei oder ihr Ordner ist nicht mehr vorhanden."},
      {EIO, "Ein- oder Ausgabefehler: Der Datenträger ist beschädigt oder nicht mehr verbunden."},
      {kChangedSinceRead,
       "Die Datei wurde seit dem Einlesen der Ordner verändert; bitte die Ordner neu einlesen und "
       "vergleichen."},
      {kNotTheFolderRead,
       "Der Ordner ist nicht mehr der, der eingelesen wurde (etwa ein abgezogener oder anderer "
       "Datenträger)."},
      {kTimeNotKept,
       "Die Änderungszeit ließ sich am Ziel nicht setzen; die Kopie sähe neuer aus als ihr "
       "Original."},
      {kNoTrash, "Auf diesem Datenträger gibt es keinen Papierkorb."},
      {EDQUOT, "Der Speicherplatz, der Ihnen auf dem Datenträger zusteht (Quota), ist erschöpft."},
      {EPERM, "Die Datei oder ihr Ordner ist schreibgeschützt, oder die Berechtigung fehlt."},
      {ENOTDIR, "Die Datei oder ihr Ordner ist nicht mehr vorhanden."},
      {ENAMETOOLONG, "Der Name ist für das Dateisystem zu lang."},
      {EFBIG, "Die Datei ist zu groß für das Dateisystem des Ziels."},
      {EISDIR, "An dieser Stelle steht ein Ordner; Ordner werden nie gelöscht."},
      {EBUSY, "Die Datei ist in Gebrauch."},
      {ETXTBSY, "Die Datei ist in Gebrauch."},
  };
  for (auto [error, text] : reasons) EXPECT_EQ(FailureReason(error), text) << error;
}

// Any other error in the system's own German words, umlauts and all, also once
// the program runs in the user's German locale (Qt takes it at start).
TEST(FailureReasonText, SystemTextsAreGermanWithTheirUmlauts) {
  locale_t german = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
  ASSERT_TRUE(german) << "the locale de_DE.UTF-8 is missing: scripts/install-deps builds it";
  freelocale(german);
  EXPECT_NE(FailureReason(EXDEV).find("Gerätegrenzen"), std::string::npos) << FailureReason(EXDEV);
  const std::string before = setlocale(LC_ALL, nullptr);
  ASSERT_TRUE(setlocale(LC_ALL, "de_DE.UTF-8"));
  std::string text = FailureReason(EXDEV);
  setlocale(LC_ALL, before.c_str());
  EXPECT_NE(text.find("Gerätegrenzen"), std::string::npos) << text;
}

}  // namespace
}  // namespace zweiblick
