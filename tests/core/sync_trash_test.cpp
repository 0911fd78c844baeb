// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "batch/start_batch_mode.h"
#include "child_process.h"
#include "list/markers.h"
#include "slow_fs_mount.h"
#include "sync/failure_reason.h"
#include "sync/safe_files.h"
#include "sync/synchronize_folders.h"
#include "sync/temporary_files.h"
#include "sync/trash.h"
#include "two_trees.h"

namespace zweiblick {
namespace {

using testing::TempTree;

// No test ever fills the trash of the user who runs them: every run of the
// tests gets a home trash of its own, and tests of the trash one each.
struct TestDataHome {
  TempTree home, state;
  TestDataHome() {
    setenv("XDG_DATA_HOME", home.Path().c_str(), 1);
    // The runs' records and journals too.
    setenv("XDG_STATE_HOME", state.Path().c_str(), 1);
  }
};
const TestDataHome testDataHome;

// A .trashinfo as trash tools read it: the path decoded, the date as a moment.
struct TrashInfo {
  std::string path;
  time_t date = -1;
};

TrashInfo ReadTrashInfo(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  TrashInfo info;
  std::getline(in, line);
  if (line != "[Trash Info]") return info;
  while (std::getline(in, line)) {
    if (line.rfind("Path=", 0) == 0) {
      for (size_t i = 5; i < line.size(); ++i) {
        if (line[i] == '%' && i + 2 < line.size()) {
          info.path += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
          i += 2;
        } else {
          info.path += line[i];
        }
      }
    } else if (line.rfind("DeletionDate=", 0) == 0) {
      struct tm t {};
      t.tm_isdst = -1;
      const char* end = strptime(line.c_str() + 13, "%Y-%m-%dT%H:%M:%S", &t);
      if (end && !*end) info.date = mktime(&t);
    }
  }
  return info;
}

// The trash at `trash`: the name in files/ of every entry, by its path.
std::map<std::string, std::string> Listed(const std::string& trash) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (auto& e : std::filesystem::directory_iterator(trash + "/info", ec)) {
    std::string name = e.path().filename().string();
    TrashInfo info = ReadTrashInfo(e.path().string());
    EXPECT_LE(std::abs(info.date - time(nullptr)), 120) << name;
    out[info.path] = name.substr(0, name.size() - 10);
  }
  return out;
}

// What trash-list (trash-cli) lists: "date time path" lines; where it is
// missing, what it would say is taken from the check above.
std::string TrashList() {
  if (std::system("command -v trash-list >/dev/null 2>&1") != 0) {
    ADD_FAILURE() << "trash-list missing (scripts/install-deps installs trash-cli)";
    return {};
  }
  TempTree io;
  std::system(("trash-list > '" + io.Path("out") + "' 2>/dev/null").c_str());
  return io.Read("out");
}

struct SyncTrash : testing::TwoTrees {
  TempTree data;
  void SetUp() override { setenv("XDG_DATA_HOME", data.Path().c_str(), 1); }
  void TearDown() override { setenv("XDG_DATA_HOME", testDataHome.home.Path().c_str(), 1); }
  std::string Home() { return data.Path("Trash"); }
};

TEST_F(SyncTrash, DeletedAndReplacedFilesGoToTheHomeTrashAndComeBack) {
  const std::string odd = "odd name 100% ä.txt";
  Both(odd, "keep", "old odd");
  Both("a/" + odd, "keep", "old a/odd");
  Both("replaced.txt", "new", "old replaced", 2000000000, 1000000000);
  Fill();
  Mark(odd, kMarkDeleteRight);
  Mark("a/" + odd, kMarkDeleteRight);
  Mark("replaced.txt", kMarkCopyRight);
  SyncTally tally = w.SynchronizeFolders();
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(tally.trashed, 3);
  EXPECT_EQ(tally.deleted, 2);
  EXPECT_FALSE(right.Exists(odd));
  EXPECT_EQ(right.Read("replaced.txt"), "new");

  std::map<std::string, std::string> listed = Listed(Home());
  ASSERT_EQ(listed.size(), 3u);
  std::string kernelRight = std::filesystem::canonical(right.Path()).string();
  std::map<std::string, std::string> expected = {
      {odd, "old odd"}, {"a/" + odd, "old a/odd"}, {"replaced.txt", "old replaced"}};
  for (auto& [rel, content] : expected) {
    std::string path = kernelRight + "/" + rel;
    ASSERT_TRUE(listed.count(path)) << path;
    std::string inTrash = Home() + "/files/" + listed[path];
    std::ifstream in(inTrash, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), content) << rel;
  }
  // Two files of one name: the second gets a name of its own.
  EXPECT_EQ(listed[kernelRight + "/a/" + odd], "odd name 100% ä.2.txt");
  // A restore is a move back.
  std::filesystem::rename(Home() + "/files/" + listed[kernelRight + "/" + odd], right.Path(odd));
  EXPECT_EQ(right.Read(odd), "old odd");

  // A trash tool of the desktop lists them under their original paths.
  std::string tool = TrashList();
  EXPECT_NE(tool.find(kernelRight + "/a/" + odd + "\n"), std::string::npos) << tool;

  // A folder that takes new names but gives none up (append-only): the
  // replacement's rename fails, and the old version's second name in the
  // trash goes with its .trashinfo.
  Both("stays.txt", "new", "old", 2000000000, 1000000000);
  Fill();
  Mark("stays.txt", kMarkCopyRight);
  auto appendOnly = [&](bool on) {
    Fd dir(open(right.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int flags = 0;
    if (ioctl(dir.get(), FS_IOC_GETFLAGS, &flags) != 0) return false;
    flags = on ? flags | FS_APPEND_FL : flags & ~FS_APPEND_FL;
    return ioctl(dir.get(), FS_IOC_SETFLAGS, &flags) == 0;
  };
  if (!appendOnly(true)) GTEST_SKIP() << "no append-only folders here";
  port.answers = {MsgAnswer::kIgnore};
  tally = w.SynchronizeFolders();
  ASSERT_TRUE(appendOnly(false));
  EXPECT_EQ(tally.failed, 1);
  EXPECT_EQ(right.Read("stays.txt"), "old");
  EXPECT_FALSE(std::filesystem::exists(Home() + "/files/stays.txt"));
  EXPECT_FALSE(std::filesystem::exists(Home() + "/info/stays.txt.trashinfo"));
}

TEST_F(SyncTrash, ANameTrashedWeekAfterWeekGetsTheNumberAfterItsLastOne) {
  // Forty versions of one file in the trash, one of them restored since (a
  // gap), and a file without its .trashinfo under the next free name.
  auto put = [&](const std::string& rel, const std::string& text) {
    data.Write("Trash/" + rel, text);
  };
  auto read = [&](const std::string& rel) { return data.Read("Trash/" + rel); };
  put("files/again.41.txt", "a leftover");
  for (int n = 1; n <= 40; ++n) {
    if (n == 7) continue;
    std::string name = n == 1 ? "again.txt" : "again." + std::to_string(n) + ".txt";
    put("info/" + name + ".trashinfo", "[Trash Info]\nPath=/x\n");
    put("files/" + name, "version " + std::to_string(n));
  }
  for (const char* folder : {"Trash", "Trash/files", "Trash/info"})
    ASSERT_EQ(chmod(data.Path(folder).c_str(), 0700), 0);
  Both("again.txt", "new", "old", 2000000000, 1000000000);
  Fill();
  Mark("again.txt", kMarkCopyRight);
  EXPECT_EQ(w.SynchronizeFolders().trashed, 1);
  EXPECT_EQ(right.Read("again.txt"), "new");
  EXPECT_EQ(read("files/again.42.txt"), "old");
  // The place first found, where another program's file lay, was given up.
  EXPECT_TRUE(data.Exists("Trash/info/again.42.txt.trashinfo"));
  EXPECT_FALSE(data.Exists("Trash/info/again.41.txt.trashinfo"));
  EXPECT_EQ(read("files/again.41.txt"), "a leftover");
  EXPECT_EQ(read("files/again.40.txt"), "version 40");
  EXPECT_FALSE(data.Exists("Trash/files/again.7.txt"));
}

TEST_F(SyncTrash, AStickGetsATrashOfItsOwn) {
  int held = testing::InChildOnMount(right.Path(), "tmpfs", "size=1m", [&] {
    right.Write("sub/gone.txt", "old");
    left.Write("sub/gone.txt", "x");
    Both("replaced.txt", "new", "old replaced", 2000000000, 1000000000);
    Fill();
    Mark("sub/gone.txt", kMarkDeleteRight);
    Mark("replaced.txt", kMarkCopyRight);
    w.SynchronizeFolders();
    std::map<std::string, std::string> listed = Listed(right.Path(".Trash-0"));
    // Relative to the stick's top folder: it restores wherever it is mounted.
    std::string tool = TrashList();
    return !right.Exists("sub/gone.txt") && listed.count("sub/gone.txt") &&
           right.Read("replaced.txt") == "new" &&
           right.Read(".Trash-0/files/replaced.txt") == "old replaced" &&
           tool.find(right.Path("sub/gone.txt") + "\n") != std::string::npos &&
           right.Read(".Trash-0/files/gone.txt") == "old" && (right.Mode(".Trash-0") == 0700) &&
           !data.Exists("Trash/files/gone.txt");
  });
  EXPECT_CHILD_HELD(held, "the stick's trash is not $topdir/.Trash-0");
}

// A share that makes no folders: no trash can be had there.
TEST_F(SyncTrash, WithoutATrashABatchRunFailsTheRow) {
  testing::SlowFsMount share(right.Path(), "none");
  if (!share.Mounted()) GTEST_SKIP() << "no FUSE here";
  left.Write("old.txt", "new", 2000000000);
  Fill();
  Mark("old.txt", kMarkDeleteRight);
  w.Batch().BatchActive = true;
  SyncTally tally = w.SynchronizeFolders();
  ASSERT_EQ(port.messages.size(), 1u);  // the failure, never the question
  EXPECT_EQ(port.messages[0].buttons, MsgButtons::kAbortRetryIgnore);
  EXPECT_EQ(tally.failed, 1);
  EXPECT_EQ(right.Read("old.txt"), "old");
  EXPECT_EQ(Marker("old.txt"), kMarkDeleteRight);
}

// The window asks once for a file system without a trash; No fails the
// rows, Yes deletes and replaces for good.
TEST_F(SyncTrash, WithoutATrashTheWindowAsksAndYesIsForGood) {
  testing::SlowFsMount share(right.Path(), "none");
  if (!share.Mounted()) GTEST_SKIP() << "no FUSE here";
  left.Write("old.txt", "new", 2000000000);
  Fill();
  port.answers = {MsgAnswer::kNo, MsgAnswer::kIgnore};
  Mark("old.txt", kMarkCopyRight);
  SyncTally tally = w.SynchronizeFolders();
  ASSERT_EQ(port.messages.size(), 2u);
  EXPECT_EQ(port.messages[0].buttons, MsgButtons::kYesNo);
  EXPECT_EQ(port.messages[0].text, NoTrashQuestion(right.Dir()));
  EXPECT_EQ(right.Read("old.txt"), "old");
  port.messages.clear();
  port.answers = {MsgAnswer::kYes};
  tally = w.SynchronizeFolders();
  EXPECT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(tally.copied, 1);
  EXPECT_EQ(tally.trashed, 0);
  EXPECT_EQ(right.Read("old.txt"), "new");
}

// Yes was said to the file as it was; one edited while the question was
// open is neither replaced nor deleted.
TEST_F(SyncTrash, WithoutATrashAFileEditedWhileAskedIsKept) {
  testing::SlowFsMount share(right.Path(), "none");
  if (!share.Mounted()) GTEST_SKIP() << "no FUSE here";
  left.Write("old.txt", "new", 2000000000);
  port.onMessage = [&](const testing::ShownMessage& m) {
    if (m.buttons == MsgButtons::kYesNo) right.Write("old.txt", "edited meanwhile");
  };
  for (const char* marker : {kMarkCopyRight, kMarkDeleteRight}) {
    right.Write("old.txt", "old");
    Fill();
    Mark("old.txt", marker);
    port.reasons.clear();
    port.answers = {MsgAnswer::kYes, MsgAnswer::kIgnore};
    SyncTally tally = w.SynchronizeFolders();
    EXPECT_EQ(tally.failed, 1) << marker;
    EXPECT_EQ(port.reasons, std::vector<std::string>{FailureReason(kChangedSinceRead)}) << marker;
    EXPECT_EQ(right.Read("old.txt"), "edited meanwhile") << marker;
  }
}

TEST_F(SyncTrash, OnlyATrashOfTheUserAloneIsTakenAndItsFirstErrorIsTheReason) {
  int held = testing::InChildOnMount(right.Path(), "tmpfs", "size=1m,mode=0777", [&] {
    w.Batch().BatchActive = true;  // no question: a refused trash fails the row
    // Deletes x.txt; returns the failure reason, empty when it went to the trash.
    auto run = [&](const char* step) {
      Both("x.txt", "l", "old");
      if (chown(right.Path("x.txt").c_str(), geteuid(), getegid()) != 0)
        _exit(testing::kCannotHere);
      Fill();
      Mark("x.txt", kMarkDeleteRight);
      port.reasons.clear();
      w.SynchronizeFolders();
      std::string reason = port.reasons.empty() ? "" : port.reasons[0];
      if (reason.empty() == right.Exists("x.txt")) fprintf(stderr, "%s: file and reason\n", step);
      return reason;
    };
    auto fix = [&](const char* path, uid_t owner, mode_t mode) {
      if (chown(right.Path(path).c_str(), owner, owner) != 0 ||
          chmod(right.Path(path).c_str(), mode) != 0)
        _exit(testing::kCannotHere);
    };
    const std::string noTrash = FailureReason(kNoTrash);
    std::filesystem::create_directories(right.Path(".Trash-0/files"));
    std::filesystem::create_directories(right.Path(".Trash-0/info"));
    bool ok = true;
    auto expect = [&](bool held, const char* step) {
      if (!held) fprintf(stderr, "%s\n", step);
      ok = ok && held;
    };
    fix(".Trash-0", 65534, 0700);  // planted by another user
    fix(".Trash-0/files", 0, 0700);
    fix(".Trash-0/info", 0, 0700);
    expect(run("foreign trash") == noTrash, "a foreign .Trash-0 was taken");
    fix(".Trash-0", 0, 0700);
    fix(".Trash-0/files", 65534, 0700);
    expect(run("foreign files/") == noTrash, "a foreign files/ was taken");
    fix(".Trash-0/files", 0, 0755);
    expect(run("wide files/") == noTrash, "a files/ others may read was taken");
    fix(".Trash-0/files", 0, 0700);
    fix(".Trash-0/info", 0, 0777);
    expect(run("wide info/") == noTrash, "an info/ others may write was taken");
    fix(".Trash-0/info", 0, 0700);
    // A shared .Trash is only taken with its sticky bit.
    std::filesystem::create_directories(right.Path(".Trash/0"));
    fix(".Trash", 0, 0777);
    expect(run("shared") == "" && right.Read(".Trash-0/files/x.txt") == "old" &&
               !right.Exists(".Trash/0/files"),
           "a shared .Trash without its sticky bit was taken");
    // A files/ that cannot be looked into (root made to obey permissions)
    // ends the search for a free name at its first error, which is the reason.
    fix(".Trash-0/files", 0, 0600);
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    if (syscall(SYS_capget, &header, caps) != 0) _exit(testing::kCannotHere);
    caps[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
    if (syscall(SYS_capset, &header, caps) != 0) _exit(testing::kCannotHere);
    std::string reason = run("unreadable files/");
    expect(reason == FailureReason(EACCES), reason.c_str());
    return ok;
  });
  EXPECT_CHILD_HELD(held, "a trash not the user's alone was taken, or a wrong reason given");
}

// A share that numbers names, not files (sshfs): the old version's second
// name in the trash, made ahead, has a number of its own and is still the
// file examined; a file written in its place since is not, though its size
// is the same. An interruption takes the second name back.
TEST_F(SyncTrash, OnAShareThatNumbersNamesTheOldVersionLinkedAheadIsTheFileExamined) {
  testing::SlowFsMount share(right.Path(), "links");
  if (!share.Mounted()) GTEST_SKIP() << "no FUSE here";
  pid_t child = fork();
  if (child == 0) {
    RemoveUnfinishedCopyOnSignals();
    auto expect = [](bool held, const char* what) {
      if (!held) std::fprintf(stderr, "%s\n", what), _exit(1);
    };
    Fd dir(open(right.Path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    Trash trash;
    TrashSlot a, b;
    bool linked = false, linkedToo = false;
    struct stat examined = right.Stat("old.txt"), other = right.Stat("changing.bin");
    right.Write("changing.bin", std::string(1 << 20, 'c'), other.st_mtime + 1);
    expect(trash.Reserve(dir.get(), "old.txt", right.Dir(), a, true, &linked, &examined) == 0 &&
               linked,
           "the second name was not taken for the file examined");
    expect(right.Stat(".Trash-0/files/old.txt").st_ino != examined.st_ino &&
               right.Read(".Trash-0/files/old.txt") == "old",
           "not a name with a number of its own");
    expect(trash.Reserve(dir.get(), "changing.bin", right.Dir(), b, true, &linkedToo, &other) ==
                   kChangedSinceRead &&
               !linkedToo && !right.Exists(".Trash-0/files/changing.bin"),
           "another file in its place was taken for the one examined");
    raise(SIGTERM);
    _exit(2);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_EQ(right.Read("old.txt"), "old");
  EXPECT_FALSE(right.Exists(".Trash-0/files/old.txt"));
  EXPECT_FALSE(right.Exists(".Trash-0/info/old.txt.trashinfo"));
  EXPECT_FALSE(right.Exists(".Trash-0/info/changing.bin.trashinfo"));
}

TEST_F(SyncTrash, AnInterruptedRunTakesBackEveryPlaceInTheTrashNotUsed) {
  for (const char* name : {"linked.txt", "reserved.txt", "moved.txt", "replaced.txt", "turn.txt"})
    right.Write(name, name);
  pid_t child = fork();
  if (child == 0) {
    RemoveUnfinishedCopyOnSignals();
    Trash trash;
    Fd dir(open(right.Path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    TrashSlot a, b, c, d, e;
    bool linked = false, linkedToo = false;
    struct stat examined = right.Stat("linked.txt"), other = right.Stat("moved.txt");
    // A copy written ahead whose old version got its name in the trash, one
    // not linked, one moved there, one linked to a file other than the
    // one examined (another run's copy in its place), and one linked at its
    // turn, just before the rename that would have replaced it.
    if (trash.Reserve(dir.get(), "linked.txt", right.Dir(), a, true, &linked, &examined) != 0 ||
        !linked || trash.Reserve(dir.get(), "reserved.txt", right.Dir(), b) != 0 ||
        trash.Reserve(dir.get(), "moved.txt", right.Dir(), c) != 0 ||
        trash.Move(dir.get(), "moved.txt", c, right.Stat("moved.txt")) != 0 ||
        trash.Reserve(dir.get(), "replaced.txt", right.Dir(), d, true, &linkedToo, &other) !=
            kChangedSinceRead ||
        linkedToo || trash.Reserve(dir.get(), "turn.txt", right.Dir(), e) != 0 ||
        Trash::Link(dir.get(), "turn.txt", e) != 0)
      _exit(1);
    raise(SIGTERM);
    _exit(2);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  std::map<std::string, std::string> listed = Listed(Home());
  std::string kernelRight = std::filesystem::canonical(right.Path()).string();
  EXPECT_EQ(listed,
            (std::map<std::string, std::string>{{kernelRight + "/moved.txt", "moved.txt"}}));
  std::vector<std::string> files;
  for (auto& e : std::filesystem::directory_iterator(Home() + "/files"))
    files.push_back(e.path().filename().string());
  EXPECT_EQ(files, std::vector<std::string>{"moved.txt"});
  EXPECT_EQ(right.Read("linked.txt") + right.Read("reserved.txt") + right.Read("turn.txt"),
            "linked.txtreserved.txtturn.txt");
}

TEST_F(SyncTrash, AKilledRunsUnusedPlacesGoWithTheNextRunIntoThatTrashAndOnlyThose) {
  // In `trash`, the home trash or a stick's: its entries' names in info/ and
  // in files/ after the next run, the records of runs beside them (only the
  // living run's is left), and what went wrong.
  auto killedThenRun = [&](const std::string& trash) -> std::string {
    for (const char* name : {"linked.txt", "reserved.txt", "moved.txt", "replaced.txt", "turn.txt",
                             "foreign.txt", "foreign-link.txt", "alive.txt", "twinned.txt"})
      right.Write(name, name);
    std::filesystem::create_hard_link(right.Path("twinned.txt"), right.Path("twin.txt"));
    Fd dir(open(right.Path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    // A living run's place stays, whatever it looks like.
    int wake[2], ready[2];
    if (pipe(wake) != 0 || pipe(ready) != 0) return "no pipes";
    pid_t alive = fork();
    if (alive == 0) {
      close(wake[1]);  // so that the parent's close ends the wait
      Trash trash;
      TrashSlot living;
      char c = 0;
      if (trash.Reserve(dir.get(), "alive.txt", right.Dir(), living) != 0 ||
          write(ready[1], "r", 1) != 1 || read(wake[0], &c, 1) < 0)
        _exit(1);
      Trash::Abandon(living);
      _exit(0);
    }
    char c = 0;
    if (read(ready[0], &c, 1) != 1) return "no living run";
    pid_t child = fork();
    if (child == 0) {
      Trash trash;
      TrashSlot a, b, c, d, e, f;
      bool linked = false, linkedToo = false, linkedTwin = false;
      // Linked ahead and never replaced, reserved only, moved, linked ahead
      // and replaced (the old version's only name is in the trash; or one of
      // two, the other far from the trash), linked at its turn.
      if (trash.Reserve(dir.get(), "linked.txt", right.Dir(), a, true, &linked) != 0 || !linked ||
          trash.Reserve(dir.get(), "reserved.txt", right.Dir(), b) != 0 ||
          trash.Reserve(dir.get(), "moved.txt", right.Dir(), c) != 0 ||
          trash.Move(dir.get(), "moved.txt", c, right.Stat("moved.txt")) != 0 ||
          trash.Reserve(dir.get(), "replaced.txt", right.Dir(), d, true, &linkedToo) != 0 ||
          !linkedToo || trash.Reserve(dir.get(), "turn.txt", right.Dir(), e) != 0 ||
          Trash::Link(dir.get(), "turn.txt", e) != 0 ||
          trash.Reserve(dir.get(), "twinned.txt", right.Dir(), f, true, &linkedTwin) != 0 ||
          !linkedTwin)
        _exit(1);
      for (const char* replaced : {"replaced.txt", "twinned.txt"}) {
        right.Write("new.txt", "new");
        if (rename(right.Path("new.txt").c_str(), right.Path(replaced).c_str()) != 0) _exit(1);
      }
      raise(SIGKILL);
      _exit(2);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL)
      return "the run was not killed";
    // Another program's entries carry no run: one without its file, one whose
    // file is a second name of one still in place.
    for (const char* name : {"foreign.txt", "foreign-link.txt"}) {
      std::string text = TrashInfoText(right.Path(name), time(nullptr), "");
      std::ofstream(trash + "/info/" + name + ".trashinfo")
          << text.substr(0, text.find("X-Zweiblick-Run="));
    }
    std::filesystem::create_hard_link(right.Path("foreign-link.txt"),
                                      trash + "/files/foreign-link.txt");
    // Killed between making a .trashinfo and writing it, an hour ago: empty, and no file.
    const std::string emptied = trash + "/info/emptied.txt.trashinfo";
    std::ofstream{emptied};
    const timespec hourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    utimensat(AT_FDCWD, emptied.c_str(), hourAgo, 0);

    Both("later.txt", "", "later");
    Fill();
    Mark("later.txt", kMarkDeleteRight);
    std::string seen = w.SynchronizeFolders().trashed == 1 ? "" : "the next run trashed nothing ";
    std::set<std::string> info, files;
    for (auto& [path, name] : Listed(trash)) info.insert(name);
    for (auto& e : std::filesystem::directory_iterator(trash + "/files"))
      files.insert(e.path().filename().string());
    for (auto& list : {info, files}) {
      for (const std::string& name : list) seen += name + " ";
      seen += "| ";
    }
    for (auto& e : std::filesystem::directory_iterator(trash))
      if (e.path().filename().string().rfind(".zweiblick-run-", 0) == 0) seen += "a record ";
    close(wake[1]);
    if (waitpid(alive, &status, 0) != alive || status != 0) seen += "the living run failed";
    for (int fd : {wake[0], ready[0], ready[1]}) close(fd);
    for (const char* name : {"linked.txt", "reserved.txt", "turn.txt"})
      if (right.Read(name) != name) seen += " lost " + std::string(name);
    if (right.Read("replaced.txt") != "new") seen += " not replaced";
    return seen;
  };
  const std::string expected =
      "alive.txt foreign-link.txt foreign.txt later.txt moved.txt replaced.txt twinned.txt | "
      "foreign-link.txt later.txt moved.txt replaced.txt twinned.txt | a record ";
  EXPECT_EQ(killedThenRun(Home()), expected);
  int held = testing::InChildOnMount(right.Path(), "tmpfs", "size=1m", [&] {
    std::string seen = killedThenRun(right.Path(".Trash-" + std::to_string(geteuid())));
    if (seen != expected) fprintf(stderr, "on the stick: %s\n", seen.c_str());
    return seen == expected;
  });
  EXPECT_CHILD_HELD(held, "a killed run's places stayed on the stick, or others went");
}

TEST_F(SyncTrash, EveryMountOfAFileSystemHasATrashOfItsOwn) {
  // The left side is a folder of the right one's file system, mounted a
  // second time: a rename cannot go from one mount to the other. The way up
  // from the right side to its top folder leads through a folder an ordinary
  // user may pass but not read.
  int held = testing::InChildOnMount(right.Path(), "tmpfs", "size=1m,mode=0777", [&] {
    right.Write("locked/mine/r.txt", "r");
    right.Write("locked/mine/sub/l.txt", "l");
    for (const char* own :
         {"locked/mine", "locked/mine/r.txt", "locked/mine/sub", "locked/mine/sub/l.txt"})
      if (chown(right.Path(own).c_str(), 65534, 65534) != 0) _exit(testing::kCannotHere);
    if (chmod(right.Path("locked").c_str(), 0711) != 0 ||
        mount(right.Path("locked/mine/sub").c_str(), left.Path().c_str(), nullptr, MS_BIND,
              nullptr) != 0)
      _exit(testing::kCannotHere);
    testing::OrdinaryUserOrCannot();
    w.FillColumn(left.Path(), true);
    w.FillColumn(right.Path("locked/mine"), false);
    Mark("l.txt", kMarkDeleteLeft);
    Mark("r.txt", kMarkDeleteRight);
    w.SynchronizeFolders();
    return port.messages.empty() && left.Read(".Trash-65534/files/l.txt") == "l" &&
           right.Read(".Trash-65534/files/r.txt") == "r";
  });
  EXPECT_CHILD_HELD(held, "a file went to the trash of another mount, or found none");
}

TEST_F(SyncTrash, OnFatAndExfatWithoutHardLinksTheOldVersionStillGoesToTheTrash) {
  // exFAT shows every folder as 0777, whatever is asked: its trash is no more
  // open than the files it takes, and is taken.
  TempTree image;
  for (bool exfat : {false, true}) {
    std::unique_ptr<testing::FuseMount> stick;
    if (exfat)
      stick = std::make_unique<testing::ExfatMount>(right.Path(), image.Path("exfat.img"));
    else
      stick = std::make_unique<testing::FatMount>(right.Path(), image.Path("fat.img"));
    if (!stick->Mounted()) GTEST_SKIP() << "no FAT or exFAT here";
    Both("f.txt", "new", "old", 2000000000, 1000000000);
    Fill();
    Mark("f.txt", kMarkCopyRight);
    SyncTally tally = w.SynchronizeFolders();
    EXPECT_TRUE(port.messages.empty()) << exfat;
    EXPECT_EQ(tally.trashed, 1) << exfat;
    EXPECT_EQ(right.Read("f.txt"), "new");
    EXPECT_EQ(right.Read(".Trash-0/files/f.txt"), "old") << exfat;
    EXPECT_EQ(Listed(right.Path(".Trash-0")).count("f.txt"), 1u);
  }
}

TEST_F(SyncTrash, PapierkorbZeroDeletesAndReplacesForGood) {
  Both("gone.txt", "keep", "old", 1000000000, 1000000000);
  Both("replaced.txt", "new", "old", 2000000000, 1000000000);
  data.Write("steuer.ini", "[Pfade]\nLinks=" + left.Path() + "\nRechts=" + right.Path() +
                               "\n[AutoStart]\nAltersvergleich=1\nAbgleich=1\nPapierkorb=0\n");
  SyncTally tally;
  StartBatchMode(w, data.Path("steuer.ini"), &tally);
  EXPECT_EQ(tally.copied, 1);
  EXPECT_EQ(right.Read("replaced.txt"), "new");
  // The window's next run keeps to what the control file said.
  Fill();
  Mark("gone.txt", kMarkDeleteRight);
  tally = w.SynchronizeFolders();
  EXPECT_EQ(tally.deleted, 1);
  EXPECT_FALSE(right.Exists("gone.txt"));
  EXPECT_EQ(tally.trashed, 0);
  EXPECT_FALSE(data.Exists("Trash/files/gone.txt"));
  EXPECT_FALSE(data.Exists("Trash/files/replaced.txt"));
}

}  // namespace
}  // namespace zweiblick
