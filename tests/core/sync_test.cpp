#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

#include "comparison/compare_files.h"
#include "fake_window.h"
#include "mainwindow/main_window.h"
#include "reading/fill_column.h"
#include "reading/path_helpers.h"
#include "sync/markers.h"
#include "sync/safe_files.h"
#include "sync/synchronize_folders.h"
#include "two_trees.h"

namespace zweiblick {
namespace {

using testing::FakeWindow;
using testing::TempTree;

struct Sync : testing::TwoTrees {
  TempTree outside;

  void SetUp() override { outside.Write("sentinel", "do not touch"); }
  void TearDown() override { EXPECT_EQ(outside.Read("sentinel"), "do not touch"); }

  std::vector<std::string> TmpFilesIn(const TempTree& t) {
    std::vector<std::string> out;
    for (auto& e : std::filesystem::recursive_directory_iterator(t.Path()))
      if (e.path().filename().string().rfind(".zweiblick-", 0) == 0) out.push_back(e.path());
    return out;
  }
};

TEST_F(Sync, CarriesOutTheFiveActionsAndRemovesEveryRow) {
  left.Write("copy-right.txt", "new left", 2000000000);
  right.Write("copy-right.txt", "old right", 1000000000);
  left.Write("copy-left.txt", "old left", 1000000000);
  right.Write("copy-left.txt", "new right", 2000000000);
  left.Write("sub/deep/only-left.txt", "L");
  right.Write("only-right/r.txt", "R");
  left.Write("del-right.txt", "keep");
  right.Write("del-right.txt", "x");
  left.Write("del-left.txt", "x");
  right.Write("del-left.txt", "keep");
  left.Write("del-both.txt", "x");
  right.Write("del-both.txt", "x");
  left.Write("skip.txt", "s");
  Fill();
  Mark("copy-right.txt", kMarkCopyRight);
  Mark("copy-left.txt", kMarkCopyLeft);
  Mark("sub/deep/only-left.txt", kMarkCopyRight);
  Mark("only-right/r.txt", kMarkCopyLeft);
  Mark("del-right.txt", kMarkDeleteRight);
  Mark("del-left.txt", kMarkDeleteLeft);
  Mark("del-both.txt", kMarkDeleteBoth);
  Mark("skip.txt", kMarkSkip);
  port.statusHistory.clear();
  SynchronizeFolders(w);
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
  EXPECT_EQ(port.statusHistory.front(), "Status: Datenabgleich läuft ...");
  EXPECT_EQ(port.statusHistory.back(), "Status: Datenabgleich beendet.");
  EXPECT_EQ(port.progress, 0);
  EXPECT_TRUE(w.CompareButtonEnabled());
  EXPECT_TRUE(TmpFilesIn(left).empty());
  EXPECT_TRUE(TmpFilesIn(right).empty());
}

mode_t Mode(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(Sync, CopiesCarryTimeButNeverWidenPermissions) {
  // A stick shows every file as 0777; the private file at home stays private.
  left.Write("private.txt", "from the stick", 1500000000);
  chmod(left.Path("private.txt").c_str(), 0777);
  right.Write("private.txt", "at home", 1400000000);
  chmod(right.Path("private.txt").c_str(), 0600);
  // A new file takes the source's bits less the umask, and no setuid.
  left.Write("tool", "#!/bin/sh\n", 1500000000);
  chmod(left.Path("tool").c_str(), 04777);
  mode_t oldMask = umask(022);
  Fill();
  Mark("private.txt", kMarkCopyRight);
  Mark("tool", kMarkCopyRight);
  SynchronizeFolders(w);
  umask(oldMask);
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(right.Read("private.txt"), "from the stick");
  EXPECT_EQ(Mode(right.Path("private.txt")), 0600u);
  EXPECT_EQ(Mode(right.Path("tool")), 0755u);
  Fill();
  CompareFiles(w, false);
  EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{{"private.txt", "=", "private.txt"},
                                                           {"tool", "=", "tool"}}));
}

int Refuse(int error) {
  errno = error;
  return -1;
}

TEST_F(Sync, ModesAndTimesAFileSystemCannotKeepDoNotFailTheCopy) {
  left.Write("f", "new", 2000000000);
  right.Write("f", "old", 1000000000);
  Fill();
  MetadataCalls& calls = CopyMetadataCalls();
  // As FAT answers fchmod, and exFAT futimens for a user who does not own the mount.
  calls.setMode = [](int, mode_t) { return Refuse(ENOSYS); };
  calls.setTimes = [](int, const timespec*) { return Refuse(EPERM); };
  Mark("f", kMarkCopyRight);
  SynchronizeFolders(w);
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(right.Read("f"), "new");
  // A real error still fails the copy and leaves the destination as it was.
  left.Write("g", "new", 2000000000);
  right.Write("g", "old", 1000000000);
  Fill();
  calls.setMode = [](int, mode_t) { return Refuse(EIO); };
  Mark("g", kMarkCopyRight);
  port.answers = {MsgAnswer::kIgnore};
  SynchronizeFolders(w);
  calls = MetadataCalls{};
  EXPECT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(right.Read("g"), "old");
  EXPECT_TRUE(TmpFilesIn(right).empty());
}

TEST_F(Sync, AbortKeepsTheFailingRowAndEveryRowAboveIt) {
  for (int i = 1; i <= 10; ++i) left.Write("f" + std::string(1, char('a' + i - 1)), "x");
  Fill();
  for (int i = 1; i <= 10; ++i) w.Liste().SetText(i, kMarkerColumn, kMarkCopyRight);
  std::filesystem::remove(left.Path("fh"));  // row 8's source is gone
  port.answers = {MsgAnswer::kAbort};
  SynchronizeFolders(w);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text, "Abgleichsfehler:\r\rDie Datei '" + left.Path("fh") +
                                       "'\rkonnte nicht nach '" + right.Path("fh") +
                                       "'\rkopiert werden.\r\rBitte quittieren oder abbrechen");
  EXPECT_EQ(port.messages[0].icon, MsgIcon::kCritical);
  EXPECT_EQ(port.messages[0].buttons, MsgButtons::kAbortRetryIgnore);
  EXPECT_EQ(w.Liste().Count(), 8);
  EXPECT_EQ(w.Liste().Text(8, 1), "fh");
  EXPECT_EQ(w.Liste().Text(8, 2), "-->");
  EXPECT_TRUE(right.Exists("fj"));
  EXPECT_TRUE(right.Exists("fi"));
  EXPECT_FALSE(right.Exists("fg"));
  EXPECT_EQ(port.statusHistory.back(), "Status: Datenabgleich beendet.");
  EXPECT_EQ(port.progress, 0);
}

TEST_F(Sync, IgnoreKeepsExactlyItsRowAndXXStillDeletesTheRightFile) {
  left.Write("a", "a");
  left.Write("b", "b");
  right.Write("b", "b");
  left.Write("c", "c");
  Fill();
  Mark("a", kMarkCopyRight);
  Mark("b", kMarkDeleteBoth);
  Mark("c", kMarkCopyRight);
  std::filesystem::remove(left.Path("b"));  // the left deletion of "XX" will fail
  // Recreated after the folders were read: must not be deleted either.
  left.Write("b", "new contents the user has not seen", 2100000000);
  port.answers = {MsgAnswer::kIgnore};
  SynchronizeFolders(w);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_NE(port.messages[0].text.find("Die Datei '" + left.Path("b") +
                                       "'\rkonnte nicht gelöscht werden."),
            std::string::npos);
  EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{{"b", "XX", "b"}}));
  EXPECT_EQ(left.Read("b"), "new contents the user has not seen");
  EXPECT_FALSE(right.Exists("b"));
  EXPECT_TRUE(right.Exists("a"));
  EXPECT_TRUE(right.Exists("c"));
}

TEST_F(Sync, EmptyNamesAndMarkersWithoutFiles) {
  left.Write("l", "l");
  right.Write("r", "r");
  Fill();
  Mark("l", kMarkSkip);
  Mark("r", kMarkDeleteLeft);  // no left file: the path is empty
  port.answers = {MsgAnswer::kIgnore};
  SynchronizeFolders(w);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text,
            "Abgleichsfehler:\r\rDie Datei ''\rkonnte nicht gelöscht werden.\r\rBitte quittieren "
            "oder abbrechen");
  EXPECT_EQ(w.Liste().Count(), 1);
  EXPECT_TRUE(right.Exists("r"));
  // An empty list: the two status texts and nothing else.
  w.ClearList();
  port.statusHistory.clear();
  SynchronizeFolders(w);
  EXPECT_EQ(port.statusHistory, (std::vector<std::string>{"Status: Datenabgleich läuft ...",
                                                          "Status: Datenabgleich beendet."}));
}

TEST_F(Sync, NothingChangedSinceReadingIsOverwrittenAndRetryChecksAgain) {
  left.Write("f", "left", 2000000000);
  right.Write("f", "right", 1000000000);
  left.Write("g", "left");
  Fill();
  Mark("f", kMarkCopyRight);
  Mark("g", kMarkCopyRight);
  right.Write("f", "edited after the comparison", 1000000500);
  right.Write("g", "appeared after the comparison");
  port.answers = {MsgAnswer::kRetry, MsgAnswer::kIgnore, MsgAnswer::kIgnore};
  SynchronizeFolders(w);
  EXPECT_EQ(port.messages.size(), 3u);
  EXPECT_EQ(right.Read("f"), "edited after the comparison");
  EXPECT_EQ(right.Read("g"), "appeared after the comparison");
  EXPECT_EQ(w.Liste().Count(), 2);
}

TEST_F(Sync, NothingIsWrittenOrDeletedThroughALink) {
  left.Write("sub/x", "x");
  left.Write("victim-link", "x");
  right.Mkdir("dummy");
  Fill();
  // After reading, the right side's folder "sub" becomes a link to a folder outside.
  ASSERT_EQ(symlink(outside.Path().c_str(), right.Path("sub").c_str()), 0);
  Mark("sub/x", kMarkCopyRight);
  // And a left file becomes a link to the sentinel: deleting removes the link only.
  std::filesystem::remove(left.Path("victim-link"));
  ASSERT_EQ(symlink(outside.Path("sentinel").c_str(), left.Path("victim-link").c_str()), 0);
  struct stat st {};
  stat(outside.Path("sentinel").c_str(), &st);
  w.Liste().SetText(Row("victim-link"), kLeftStampColumn, StampText(st.st_mtim.tv_sec));
  Mark("victim-link", kMarkDeleteLeft);
  port.answers = {MsgAnswer::kIgnore};
  SynchronizeFolders(w);
  EXPECT_EQ(port.messages.size(), 1u);
  EXPECT_FALSE(outside.Exists("x"));
  EXPECT_FALSE(left.Exists("victim-link"));
  EXPECT_TRUE(outside.Exists("sentinel"));
}

TEST_F(Sync, WriteProtectedFilesAreNeitherReplacedNorDeleted) {
  // Protected for everybody, root included: no write bit at all.
  left.Write("ro", "new", 2000000000);
  right.Write("ro", "old", 1000000000);
  chmod(right.Path("ro").c_str(), 0444);
  left.Write("ro-del", "x");
  chmod(left.Path("ro-del").c_str(), 0444);
  // Protected for an ordinary user only: root's files in folders anybody may write.
  left.Write("roots", "new", 2000000000);
  right.Write("roots", "old", 1000000000);
  left.Write("roots-del", "x");
  chmod(left.Path().c_str(), 0777);
  chmod(right.Path().c_str(), 0777);
  Fill();
  Mark("ro", kMarkCopyRight);
  Mark("ro-del", kMarkDeleteLeft);
  Mark("roots", kMarkCopyRight);
  Mark("roots-del", kMarkDeleteLeft);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
        setresuid(65534, 65534, 65534) != 0)
      _exit(77);
    SynchronizeFolders(w);  // every failure answered with Ignore
    _exit(port.messages.size() == 4 && w.Liste().Count() == 4 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) != 77)
    EXPECT_EQ(WEXITSTATUS(status), 0) << "an ordinary user replaced or deleted a protected file";
  EXPECT_EQ(right.Read("roots"), "old");
  EXPECT_TRUE(left.Exists("roots-del"));
  SynchronizeFolders(w);  // as root
  EXPECT_EQ(port.messages.size(), 2u);
  EXPECT_EQ(w.Liste().Count(), 2);
  EXPECT_EQ(Marker("ro") + Marker("ro-del"), "--><-X");
  EXPECT_EQ(right.Read("ro"), "old");
  EXPECT_TRUE(left.Exists("ro-del"));
  EXPECT_EQ(right.Read("roots"), "new");
  EXPECT_FALSE(left.Exists("roots-del"));
}

TEST_F(Sync, SourcesAreReadThroughLinksAsTheyWereListed) {
  outside.Write("shared/x.txt", "x");
  left.Write("data.txt", "d");
  ASSERT_EQ(symlink(outside.Path("shared").c_str(), left.Path("linked").c_str()), 0);
  ASSERT_EQ(symlink("data.txt", left.Path("link.txt").c_str()), 0);
  Fill();
  Mark("linked/x.txt", kMarkCopyRight);
  Mark("link.txt", kMarkCopyRight);
  SynchronizeFolders(w);
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(right.Read("linked/x.txt"), "x");
  EXPECT_EQ(right.Read("link.txt"), "d");
  struct stat st {};
  ASSERT_EQ(lstat(right.Path("link.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(Sync, TemporaryFilesOlderThanADayGoWhereTheRunWrites) {
  long now = static_cast<long>(time(nullptr));
  left.Write("f", "f");
  right.Write(".zweiblick-0123456789ab.tmp", "left by a crash", now - 2 * 86400);
  right.Write(".zweiblick-abcdefghijkl.tmp", "another run's copy", now - 60);
  right.Write("other/.zweiblick-0123456789ab.tmp", "not written to", now - 2 * 86400);
  Fill();
  Mark("f", kMarkCopyRight);
  SynchronizeFolders(w);
  EXPECT_FALSE(right.Exists(".zweiblick-0123456789ab.tmp"));
  EXPECT_TRUE(right.Exists(".zweiblick-abcdefghijkl.tmp"));
  EXPECT_TRUE(right.Exists("other/.zweiblick-0123456789ab.tmp"));
}

TEST_F(Sync, CopyThatFailsMidwayLeavesTheOldDestinationWhole) {
  // A real full disk: a 1 MiB tmpfs in a private mount namespace, in a child
  // process so the test process keeps its own view of the mounts.
  std::string big(3 << 20, 'n');
  left.Write("f", big);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", right.Path().c_str(), "tmpfs", 0, "size=1m") != 0)
      _exit(77);
    { std::ofstream(right.Path("f"), std::ios::binary) << "old contents"; }
    DurableRun run;
    struct stat st {};
    stat(right.Path("f").c_str(), &st);
    SideFolder from(left.Path()), to(right.Path());
    int e = CopyBeneath(from, "f", to, "f", SeenFile{true, StampText(st.st_mtim.tv_sec)}, run);
    std::ifstream in(right.Path("f"), std::ios::binary);
    std::string now((std::istreambuf_iterator<char>(in)), {});
    int leftovers = 0;
    for (auto& entry : std::filesystem::directory_iterator(right.Path()))
      leftovers += entry.path().filename() != "f";
    _exit(e != 0 && now == "old contents" && leftovers == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no private mount namespace here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the old destination was damaged or a temporary file stayed";
}

TEST_F(Sync, SourcesThatAreNoFilesFailWithTheDialog) {
  left.Write("pipe", "");
  Fill();
  std::filesystem::remove(left.Path("pipe"));
  ASSERT_EQ(mkfifo(left.Path("pipe").c_str(), 0600), 0);
  Mark("pipe", kMarkCopyRight);
  port.answers = {MsgAnswer::kIgnore};
  SynchronizeFolders(w);  // must not hang on the FIFO
  EXPECT_EQ(port.messages.size(), 1u);
  EXPECT_FALSE(right.Exists("pipe"));
}

}  // namespace
}  // namespace zweiblick
