// SPDX-License-Identifier: GPL-3.0-or-later
// A synchronisation on file systems that fail late, change under the copy or
// do not keep times: nothing is reported done that is not on the disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "child_process.h"
#include "list/markers.h"
#include "platform/descriptors.h"
#include "slow_fs_mount.h"
#include "sync/failure_reason.h"
#include "sync/run_lock.h"
#include "sync/safe_files.h"
#include "sync/synchronize_folders.h"
#include "two_trees.h"

namespace zweiblick {
namespace {

using testing::FatMount;
using testing::InChild;
using testing::kCannotHere;
using testing::OwnMountsOrCannot;
using testing::SlowFsMount;
using testing::TempTree;

struct SyncFaults : testing::TwoTrees {
  TempTree outside;

  // Reads both folders, copies these names to the right and returns the tally.
  SyncTally CopyRight(std::initializer_list<const char*> names) {
    Fill();
    for (const char* name : names) Mark(name, kMarkCopyRight);
    port.messages.clear();
    return w.SynchronizeFolders();
  }
};

TEST_F(SyncFaults, ADestinationEditedWhileItsCopyIsWrittenIsNotOverwritten) {
  // The source's first read waits; meanwhile another program saves the
  // destination, after the copy's first look at it.
  SlowFsMount source(left.Path(), "pairs");
  if (!source.Mounted()) GTEST_SKIP() << "no FUSE here";
  right.Write("a.bin", "old");
  std::thread editor([&] {
    while (right.TemporaryFiles().empty()) std::this_thread::yield();
    std::ofstream(right.Path("a.bin"), std::ios::app) << ", edited meanwhile";
  });
  SyncTally tally = CopyRight({"a.bin"});
  editor.join();
  EXPECT_EQ(tally.copied, 0);
  EXPECT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(right.Read("a.bin"), "old, edited meanwhile");
  EXPECT_TRUE(right.TemporaryFiles().empty());
}

TEST_F(SyncFaults, ASourcePutBackToAnOlderVersionIsNotCopiedAGoneFileIsDeleted) {
  Both("f.txt", "newer edit", "older", 1600000000, 1500000000);
  Both("ns.txt", "newer edit", "older", 1600000000, 1500000000);
  // Older by a nanosecond only, as a copy tool that keeps them puts it back.
  auto stamp = [&](long nsec) {
    const timespec at[2] = {{1600000000, nsec}, {1600000000, nsec}};
    ASSERT_EQ(utimensat(AT_FDCWD, left.Path("ns.txt").c_str(), at, 0), 0);
  };
  stamp(5);
  right.Write("gone.txt", "g");
  Fill();
  Mark("f.txt", kMarkCopyRight);
  Mark("ns.txt", kMarkCopyRight);
  Mark("gone.txt", kMarkDeleteRight);
  left.Write("f.txt", "restored from an old archive", 1000000000);
  left.Write("ns.txt", "restored, a nanosecond older");
  stamp(4);
  std::filesystem::remove(right.Path("gone.txt"));
  SyncTally tally = w.SynchronizeFolders();
  EXPECT_EQ(right.Read("f.txt"), "older");
  EXPECT_EQ(right.Read("ns.txt"), "older");
  EXPECT_EQ(tally.failed, 2);
  EXPECT_EQ(tally.deleted, 1);  // what the user asked for is so
}

TEST_F(SyncFaults, AStickIsKnownByItsMountNotByItsInodeNumbers) {
  auto stick = std::make_unique<FatMount>(right.Path(), outside.Path("a.img"));
  if (!stick->Mounted()) GTEST_SKIP() << "no fusefat here";
  // A folder on the stick, not its top: a FUSE top folder keeps its number.
  left.Write("f.txt", "new", 1500000000);
  right.Write("d/f.txt", "old", 1400000000);
  left.Write("g.txt", "new", 1500000000);
  auto fill = [&] {
    w.FillColumn(left.Path(), true);
    w.FillColumn(right.Path("d"), false);
  };
  fill();
  Mark("f.txt", kMarkCopyRight);
  // FAT numbers its folders and files anew once the kernel forgets them:
  // still the folder that was read, its file still unchanged.
  sync();
  std::ofstream("/proc/sys/vm/drop_caches") << "2";
  EXPECT_EQ(w.SynchronizeFolders().copied, 1);
  EXPECT_EQ(right.Read("d/f.txt"), "new");
  // Another stick in the same place, with a folder of the same name.
  fill();
  Mark("g.txt", kMarkCopyRight);
  stick.reset();
  stick = std::make_unique<FatMount>(right.Path(), outside.Path("b.img"));
  ASSERT_TRUE(stick->Mounted());
  right.Mkdir("d");
  port.reasons.clear();
  SyncTally tally = w.SynchronizeFolders();
  EXPECT_EQ(tally.copied, 0);
  EXPECT_EQ(port.reasons, std::vector<std::string>{FailureReason(kNotTheFolderRead)});
  EXPECT_FALSE(right.Exists("d/g.txt"));
}

TEST_F(SyncFaults, WriteErrorsAtCloseOrFsyncFailTheRowAndKeepTheOldFile) {
  // A network share or stick that reports its write error only when the file
  // is closed or synced; the old destination holds "old".
  for (const char* fault : {"flush", "fsync"}) {
    SCOPED_TRACE(fault);
    SlowFsMount stick(right.Path(), fault);
    if (!stick.Mounted()) GTEST_SKIP() << "no FUSE here";
    left.Write("old.txt", "new", 2000000000);
    SyncTally tally = CopyRight({"old.txt"});
    EXPECT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(tally.copied, 0);
    EXPECT_EQ(right.Read("old.txt"), "old");
    EXPECT_TRUE(right.TemporaryFiles().empty());
    EXPECT_EQ(Marker("old.txt"), kMarkCopyRight);  // the row stays for another try
    // The same for the .trashinfo of a file to delete: the file stays where it is.
    Mark("old.txt", kMarkDeleteRight);
    port.reasons.clear();
    tally = w.SynchronizeFolders();
    EXPECT_EQ(port.reasons, std::vector<std::string>{FailureReason(EIO)});
    EXPECT_EQ(tally.failed, 1);
    EXPECT_EQ(right.Read("old.txt"), "old");
    EXPECT_FALSE(right.Exists(".Trash-0/files/old.txt"));
  }
}

TEST_F(SyncFaults, ASourceRewrittenWhileItIsCopiedAheadIsCopiedAgainAtItsTurn) {
  // changing.bin is rewritten ("a" to "b" throughout) while its first copy reads it.
  SlowFsMount share(left.Path(), "");
  if (!share.Mounted()) GTEST_SKIP() << "no FUSE here";
  SyncTally tally = CopyRight({"changing.bin"});
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(tally.copied, 1);
  EXPECT_TRUE(right.Read("changing.bin") == std::string(1 << 20, 'b')) << "a torn copy";
  EXPECT_TRUE(right.TemporaryFiles().empty());
}

TEST_F(SyncFaults, ASourceSavedAgainAfterItsCopyWasPutInPlaceIsCopiedAgain) {
  // The box of the row before it (a write-protected destination) stays open
  // until the new file's copy stands in its place; then its source is saved.
  left.Write("a-new.txt", "first version", 1600000000);
  Both("z-protected.txt", "new", "old", 1600000000, 1500000000);
  ASSERT_EQ(chmod(right.Path("z-protected.txt").c_str(), 0444), 0);
  bool placed = false;
  port.onMessage = [&](const testing::ShownMessage&) {
    for (int i = 0; i < 500 && !(placed = right.Exists("a-new.txt")); ++i) usleep(10000);
    left.Write("a-new.txt", "saved again", 1600000100);
    port.answers.push_back(MsgAnswer::kIgnore);
  };
  SyncTally tally = CopyRight({"a-new.txt", "z-protected.txt"});
  ASSERT_TRUE(placed) << "no copy was put in place ahead";
  EXPECT_EQ(tally.failed, 1);
  EXPECT_EQ(right.Read("a-new.txt"), "saved again");
}

TEST_F(SyncFaults, ATimeTheFileSystemResetsIsSetAgainOrTheRowFails) {
  // fusefat writes the time of the rename to the disk, whatever the file had.
  const std::string image = outside.Path("fat.img");
  auto fat = std::make_unique<testing::FatMount>(right.Path(), image);
  if (!fat->Mounted()) GTEST_SKIP() << "no FAT here";
  left.Write("kept.txt", "x", 1500000000);
  left.Write("1973.txt", "x", 100000000);  // before 1980: FAT cannot hold it
  EXPECT_EQ(CopyRight({"kept.txt", "1973.txt"}).copied, 1);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_PRED_FORMAT2(::testing::IsSubstring, "1973.txt", port.messages[0].text);
  fat->Unmount();
  // What the disk holds, not what the cache remembers.
  fat = std::make_unique<testing::FatMount>(right.Path(), image, false);
  ASSERT_TRUE(fat->Mounted() && right.Exists("kept.txt") && right.Exists("1973.txt"));
  EXPECT_EQ(right.Stat("kept.txt").st_mtime, 1500000000);
  EXPECT_LT(right.Stat("1973.txt").st_mtime, 1500000000)
      << "a copy that failed its time looks newer than a later edit";
}

TEST_F(SyncFaults, AChosenFolderThatIsGoneOrReplacedIsNeverWritten) {
  left.Write("f", "new", 2000000000);
  left.Write("new.txt", "n");
  auto copyBoth = [&] {
    for (const char* name : {"f", "new.txt"}) Mark(name, kMarkCopyRight);
    return w.SynchronizeFolders();
  };
  // Removed since it was read: it is not made anew.
  Fill();
  std::filesystem::remove_all(right.Path());
  EXPECT_EQ(copyBoth().failed, 2);
  EXPECT_FALSE(right.Exists(""));
  // Missing when it was read: the same.
  EXPECT_EQ(CopyRight({"f", "new.txt"}).failed, 2);
  EXPECT_FALSE(right.Exists(""));
  right.Mkdir("");
  // A stick pulled out (its file system unmounted) after reading: the folder
  // below the mount point on the system disk is not the one that was read.
  int held = testing::InChildOnMount(right.Path(), "tmpfs", "size=1m", [&] {
    right.Write("f", "old", 1000000000);
    Fill();
    if (umount2(right.Path().c_str(), MNT_DETACH) != 0) _exit(kCannotHere);
    SyncTally tally = copyBoth();
    return tally.failed == 2 && tally.copied == 0 && std::filesystem::is_empty(right.Path());
  });
  EXPECT_CHILD_HELD(held, "the run wrote to the folder below the pulled stick");
}

TEST_F(SyncFaults, ALateWriteErrorNamesTheFolderOfEachFileSystemWrittenTo) {
  // A disk below the right folder that fails at write-back: ext4 on a loop
  // device whose backing file lies on a full tmpfs. syncfs must reach it too.
  left.Write("stick/f", std::string(4 << 20, 'x'));
  left.Write("home.txt", "h");
  int held = InChild([&] {
    const std::string disk = outside.Path("disk"), image = disk + "/img";
    right.Mkdir("stick");
    outside.Mkdir("disk");
    if (access("/sbin/mkfs.ext4", X_OK) != 0) _exit(kCannotHere);
    OwnMountsOrCannot();
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=3m") != 0 ||
        std::system(("truncate -s 32M " + image + " && /sbin/mkfs.ext4 -q -E nodiscard " + image)
                        .c_str()) != 0 ||
        std::system(
            ("mount -o loop,errors=continue " + image + " " + right.Path("stick")).c_str()) != 0)
      _exit(kCannotHere);
    SyncTally tally = CopyRight({"stick/f", "home.txt"});
    bool named = port.messages.size() == 1 &&
                 port.messages[0].text ==
                     "Die Daten im Ordner '" + right.Dir() +
                         "stick/' konnten nicht sicher auf den Datenträger geschrieben "
                         "werden.\rDie Kopien dieses Abgleichs dort sind nicht sicher." &&
                 port.messages[0].icon == MsgIcon::kCritical &&
                 port.messages[0].buttons == MsgButtons::kOk;
    return named && tally.failed == 1;
  });
  EXPECT_CHILD_HELD(held, "the write error of the disk below was not reported");
}

TEST_F(SyncFaults, AFullDiskIsTheReasonEvenWhereAFolderCouldNotBeMade) {
  // No inode left: neither the temporary file nor the folder of d/deep.txt
  // can be made. The folder's mkdir said so; the row must not tell of a
  // folder that is missing.
  left.Write("top.txt", "t");
  left.Write("d/deep.txt", "d");
  int held = testing::InChildOnMount(right.Path(), "tmpfs", "nr_inodes=1", [&] {
    SyncTally tally = CopyRight({"top.txt", "d/deep.txt"});
    return tally.failed == 2 && port.reasons == std::vector<std::string>(2, FailureReason(ENOSPC));
  });
  EXPECT_CHILD_HELD(held, "a full disk was given another reason");
}

TEST_F(SyncFaults, ARunWithFewOpenFilesAllowedFailsNoRow) {
  // A stick through FUSE, where many threads write copies ahead, and a hard
  // limit of open files a few dozen above what the test holds; the soft limit
  // lower still, as a shell or a desktop leaves it.
  FatMount stick(right.Path(), outside.Path("a.img"));
  if (!stick.Mounted()) GTEST_SKIP() << "no fusefat here";
  constexpr int kFiles = 300;
  for (int i = 0; i < kFiles; ++i)
    left.Write("d" + std::to_string(i % 30) + "/f" + std::to_string(i), "x");
  int held = InChild([&] {
    rlim_t inUse = 0;
    for (auto& e : std::filesystem::directory_iterator("/proc/self/fd")) inUse += e.exists();
    rlimit low{inUse + 4, inUse + 40};
    if (setrlimit(RLIMIT_NOFILE, &low) != 0) _exit(kCannotHere);
    RaiseDescriptorLimit();
    rlimit now{};
    getrlimit(RLIMIT_NOFILE, &now);
    Fill();
    for (int i = 1; i <= w.Liste().Count(); ++i)
      w.Liste().SetText(i, kMarkerColumn, kMarkCopyRight);
    SyncTally tally = w.SynchronizeFolders();
    return now.rlim_cur == low.rlim_max && tally.copied == kFiles && tally.failed == 0 &&
           port.messages.empty();
  });
  EXPECT_CHILD_HELD(held, "a row failed for want of a descriptor");
}

TEST_F(SyncFaults, ARunOverAFolderAnotherRunWritesIsRefusedUntilThatOneDies) {
  // The other run: a process that holds the lock through the same class
  // until it is killed, as a crash would end it; it ends too when the test
  // does, since its pipe then closes.
  struct OtherRun {
    pid_t pid = -1;
    int hold = -1;
    explicit OtherRun(const std::string& folder) {
      int ready[2], wait[2];
      if (pipe(ready) != 0 || pipe(wait) != 0) return;
      pid = fork();
      if (pid == 0) {
        close(wait[1]);
        RunLock lock;
        std::string busy;
        char c = lock.Take({folder}, busy) ? 'y' : 'n';
        if (write(ready[1], &c, 1) == 1) (void)!read(wait[0], &c, 1);
        _exit(0);
      }
      close(ready[1]);
      close(wait[0]);
      hold = wait[1];
      char c = 0;
      if (pid > 0 && (read(ready[0], &c, 1) != 1 || c != 'y')) Crash();
      close(ready[0]);
    }
    bool Holds() const { return pid > 0; }
    bool Crash() {
      int status = 0;
      bool ended = pid > 0 && kill(pid, SIGKILL) == 0 && waitpid(pid, &status, 0) == pid;
      pid = -1;
      return ended;
    }
    ~OtherRun() {
      Crash();
      if (hold >= 0) close(hold);
    }
  };
  right.Mkdir("deep");
  // The same folder, and a folder below it: the other run writes there too.
  for (const std::string& held : {right.Path(), right.Path("deep")}) {
    SCOPED_TRACE(held);
    left.Write("a.txt", held);
    OtherRun other(held);
    ASSERT_TRUE(other.Holds());
    SyncTally tally = CopyRight({"a.txt"});
    EXPECT_TRUE(tally.busy);
    EXPECT_EQ(tally.copied, 0);
    EXPECT_FALSE(right.Exists("a.txt"));
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.messages[0].text,
              "Ein anderer Abgleich von Zweiblick schreibt gerade in den Ordner '" + right.Dir() +
                  "'.\rDieser Abgleich wird daher nicht begonnen; bitte warten Sie, bis der "
                  "andere beendet ist.");
    EXPECT_EQ(port.messages[0].icon, MsgIcon::kCritical);
    EXPECT_EQ(port.panels[2], std::string("Status: ") + kStatusSyncDone);
    EXPECT_TRUE(port.buttonEnabled[8]);
    ASSERT_TRUE(other.Crash());
    tally = CopyRight({"a.txt"});
    EXPECT_FALSE(tally.busy);
    EXPECT_EQ(tally.copied, 1);
    EXPECT_EQ(right.Read("a.txt"), held);
    std::filesystem::remove(right.Path("a.txt"));
  }
  // A run over a sibling folder is no reason to wait.
  OtherRun other(outside.Path());
  ASSERT_TRUE(other.Holds());
  EXPECT_EQ(CopyRight({"a.txt"}).copied, 1);
  EXPECT_TRUE(port.messages.empty());
}

}  // namespace
}  // namespace zweiblick
