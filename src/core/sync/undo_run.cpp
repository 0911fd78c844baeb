// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/undo_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>

#include "comparison/changes_since.h"
#include "platform/far_away.h"
#include "platform/run_reporter.h"
#include "platform/worker_pool.h"
#include "sync/failure_reason.h"
#include "sync/run_lock.h"
#include "sync/safe_files.h"
#include "sync/synchronize_folders.h"

namespace zweiblick {
namespace {

using Kind = JournalEntry::Kind;

std::string Count(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The same file as the journal describes it. Where inode numbers do not last
// (FAT, exFAT, FUSE) a stick keeps coarser times than the kernel showed while
// the file was cached, and shifts them by whole hours between time zones: as
// the comparison by changes sees them.
bool AsJournaled(const FileFacts& was, const struct stat& st, int folder) {
  return S_ISREG(st.st_mode) && SameAsRecorded(FactsOf(st), was, !InodesLast(folder));
}

std::string Resolved(const std::string& path) {
  std::string real = RealPath(path);
  return real.empty() ? path : real;
}

std::string Parent(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

class Undo {
 public:
  Undo(const RunJournalText& journal, const std::string& left, const std::string& right,
       RunReporter& run, bool unattended)
      : journal_(journal),
        run_(run),
        trash_(true,
               unattended ? Trash::AskForGood{} : [&run](const std::string& f) {
                 return run.ShowMessage(NoTrashQuestion(f), MsgIcon::kExclamation,
                                        MsgButtons::kYesNo) == MsgAnswer::kYes;
               }),
        sides_{Side(left), Side(right)},
        roots_{left, right} {}

  // Sees to entry i. False when the user aborted the undo.
  bool Entry(size_t i) {
    const JournalEntry& e = journal_.entries[i];
    switch (e.kind) {
      case Kind::kCopy: {
        const JournalEntry* before = i > 0 ? &journal_.entries[i - 1] : nullptr;
        const bool samePlace = before && before->left == e.left && before->rel == e.rel;
        return Copy(e, samePlace && before->kind == Kind::kGone,
                    samePlace && before->kind == Kind::kTrashed ? before : nullptr);
      }
      case Kind::kTrashed:
        return Restore(e);
      case Kind::kGone:
        // A file replaced for good is named with the copy that replaced it.
        if (i + 1 == journal_.entries.size() || !Gone(e, journal_.entries[i + 1]))
          LeaveAlone(e, "wurde endgültig gelöscht und lässt sich nicht zurückholen.");
        return true;
    }
    return true;
  }

  UndoTally Finish() {
    std::vector<UnsafeFolder> unsafe;
    RunServingEvents([&] { unsafe = disk_.Finish(); }, run_);
    for (const UnsafeFolder& u : unsafe) {
      ++tally_.failed;
      run_.ShowMessage(UnsafeFolderMessage(u.folder), MsgIcon::kCritical, MsgButtons::kOk);
    }
    return tally_;
  }

 private:
  // The folder as it is now: the undo writes only into the folder it looked at.
  static std::unique_ptr<SideFolder> Side(const std::string& root) {
    struct stat st {};
    FileFacts facts;
    if (stat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) facts = FactsOf(st);
    return std::make_unique<SideFolder>(root, IdentityOf(root, facts));
  }
  static bool Gone(const JournalEntry& gone, const JournalEntry& copy) {
    return gone.kind == Kind::kGone && copy.kind == Kind::kCopy && gone.left == copy.left &&
           gone.rel == copy.rel;
  }
  std::string PathOf(const JournalEntry& e) const { return roots_[e.left ? 0 : 1] + e.rel; }
  void LeaveAlone(const JournalEntry& e, const std::string& why) {
    tally_.leftAlone.push_back("'" + PathOf(e) + "' " + why);
  }

  // Runs `step` until it has decided (0) or the user lets it go: each try
  // looks at the files anew, so a retry sees what changed meanwhile.
  bool Attempt(const std::string& what, const std::function<int()>& step) {
    for (;;) {
      int error = step();
      if (error == 0) return true;
      MsgAnswer answer = MsgAnswer::kIgnore;
      if (!ignoreRest_)
        answer = run_.ShowFailure("Fehler beim Rückgängigmachen:\r\r" + what + kSyncFailureQuestion,
                                  FailureReason(error), ignoreRest_);
      if (answer == MsgAnswer::kRetry) continue;
      ++tally_.failed;
      return answer == MsgAnswer::kIgnore;
    }
  }

  // The copy goes to the trash, unless it changed since or the version it
  // replaced is gone for good: then it is the only one left.
  // `replaced`: the entry of the version the copy replaced, where that went
  // to the trash.
  bool Copy(const JournalEntry& e, bool replacedForGood, const JournalEntry* replaced) {
    SideFolder& side = *sides_[e.left ? 0 : 1];
    return Attempt(
        "Die Kopie '" + PathOf(e) + "'\rkonnte nicht in den Papierkorb gelegt werden.", [&] {
          int dir = -1;
          std::string name;
          struct stat st {};
          if (int reached = side.Parent(e.rel, Reach::kWrite, dir, name))
            return reached == ENOENT ? 0 : reached;  // its folder gone, and the copy with it
          if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT ? 0 : errno;  // gone already, by the user or an undo cut short
          if (!AsJournaled(e.facts, st, dir)) {
            // The version before, back already: an undo cut short came this far.
            if (!replaced || !AsJournaled(replaced->facts, st, dir))
              LeaveAlone(e, "wurde nach dem Abgleich geändert und bleibt, wie sie ist.");
            return 0;
          }
          if (replacedForGood) {
            LeaveAlone(e, "bleibt: die Fassung davor wurde endgültig ersetzt.");
            return 0;
          }
          int e2 = DeleteBeneath(side, e.rel, SeenFile{true, {}, FactsOf(st)}, disk_, trash_);
          if (e2 == kChangedSinceRead) {
            LeaveAlone(e, "wurde nach dem Abgleich geändert und bleibt, wie sie ist.");
            return 0;
          }
          if (e2 == 0) ++tally_.copiesTrashed;
          return e2;
        });
  }

  // The file comes back from the trash by a rename that replaces nothing.
  bool Restore(const JournalEntry& e) {
    const std::string filesPath =
        MovedWithFolder(e.trash, journal_.roots[e.left ? 0 : 1], Resolved(roots_[e.left ? 0 : 1]));
    return Attempt(
        "Die Datei '" + PathOf(e) + "'\rkonnte nicht aus dem Papierkorb zurückgeholt werden.",
        [&] { return RestoreOnce(e, filesPath); });
  }

  // One try: the trash and the file's place looked at anew, then decided.
  int RestoreOnce(const JournalEntry& e, const std::string& filesPath) {
    SideFolder& side = *sides_[e.left ? 0 : 1];
    Fd files(open(filesPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!files.ok() && errno != ENOENT) return errno;
    Fd info(open((Parent(filesPath) + "/info").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int dir = -1;
    std::string name;
    int reached = side.Parent(e.rel, Reach::kWrite, dir, name);
    if (reached != 0 && reached != ENOENT) return reached;
    struct stat inTrash {
    }, inPlace{};
    bool there = false, taken = false;
    if (files.ok()) {
      there = fstatat(files.get(), e.inTrash.c_str(), &inTrash, AT_SYMLINK_NOFOLLOW) == 0;
      if (!there && errno != ENOENT) return errno;
    }
    if (reached == 0) {
      taken = fstatat(dir, name.c_str(), &inPlace, AT_SYMLINK_NOFOLLOW) == 0;
      if (!taken && errno != ENOENT) return errno;
    }
    const std::string infoName = e.inTrash + ".trashinfo";
    if (!there) {
      // Back already, by an undo cut short before its .trashinfo went.
      if (taken && AsJournaled(e.facts, inPlace, dir)) return Listed(info, infoName, e);
      LeaveAlone(e, "ist nicht mehr im Papierkorb.");
      return 0;
    }
    if (!AsJournaled(e.facts, inTrash, files.get())) {
      // Back already, and its name in the trash given since to a copy an
      // undo cut short put there: that name and its .trashinfo are the copy's now.
      if (taken && AsJournaled(e.facts, inPlace, dir)) {
        ++tally_.restored;
        return 0;
      }
      LeaveAlone(e, "bleibt im Papierkorb: dort liegt eine andere Fassung.");
      return 0;
    }
    if (reached == ENOENT) {
      LeaveAlone(e, "bleibt im Papierkorb: ihr Ordner fehlt.");
      return 0;
    }
    if (taken) return Taken(e);
    disk_.WritesTo(side, dir);
    int put = trash_.MoveKeepingTime(files.get(), e.inTrash.c_str(), dir, name.c_str(), inTrash,
                                     [&] { return PutBack(files.get(), e.inTrash, dir, name); });
    if (put == EEXIST) return Taken(e);
    return put ? put : Listed(info, infoName, e);
  }

  int Taken(const JournalEntry& e) {
    LeaveAlone(e, "ist wieder belegt; die Fassung davor bleibt im Papierkorb.");
    return 0;
  }

  // Back in its place: the trash lists it no more.
  int Listed(const Fd& info, const std::string& infoName, const JournalEntry& e) {
    ++tally_.restored;
    if (!info.ok() || (unlinkat(info.get(), infoName.c_str(), 0) != 0 && errno != ENOENT))
      LeaveAlone(e, "ist zurück, steht aber noch in der Liste des Papierkorbs.");
    return 0;
  }

  // Renames without replacing anything. Where the file system cannot rename
  // so, a hard link (which never replaces) and the trash's name removed;
  // only where it has no links either a plain rename, right after a look.
  static int PutBack(int files, const std::string& inTrash, int dir, const std::string& name) {
    if (renameat2(files, inTrash.c_str(), dir, name.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (linkat(files, inTrash.c_str(), dir, name.c_str(), 0) == 0)
      return unlinkat(files, inTrash.c_str(), 0) == 0 ? 0 : errno;
    if (errno == EEXIST) return EEXIST;
    struct stat there {};
    if (fstatat(dir, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return renameat(files, inTrash.c_str(), dir, name.c_str()) == 0 ? 0 : errno;
  }

  const RunJournalText& journal_;
  RunReporter& run_;
  DurableRun disk_;
  Trash trash_;
  std::unique_ptr<SideFolder> sides_[2];
  std::string roots_[2];
  bool ignoreRest_ = false;
  UndoTally tally_;
};

}  // namespace

std::string MovedWithFolder(const std::string& trash, const std::string& then,
                            const std::string& now) {
  if (then == now) return trash;
  // The folders the trash and the chosen folder have in common: the top of
  // their file system, or above it.
  size_t common = 0;
  for (size_t i = 0; i < then.size() && i < trash.size() && then[i] == trash[i]; ++i)
    if (then[i] == '/') common = i;
  // The chosen folder is the top itself (a stick chosen whole).
  if (trash.size() > then.size() && trash.compare(0, then.size(), then) == 0 &&
      trash[then.size()] == '/')
    common = then.size();
  const std::string below = then.substr(common);
  // Only a trash at the top of the folder's own file system moves with it;
  // the home trash stays where it is.
  if (common == 0 || trash.compare(common, 7, "/.Trash") != 0 || now.size() < below.size() ||
      now.compare(now.size() - below.size(), below.size(), below) != 0)
    return trash;
  return now.substr(0, now.size() - below.size()) + trash.substr(common);
}

std::string UndoPlanText(const RunJournalText& journal) {
  int copies = 0, back = 0, gone = 0;
  for (const JournalEntry& e : journal.entries) {
    copies += e.kind == Kind::kCopy;
    back += e.kind == Kind::kTrashed;
    gone += e.kind == Kind::kGone;
  }
  char when[32] = "";
  struct tm local {};
  time_t at = static_cast<time_t>(journal.when);
  if (localtime_r(&at, &local)) strftime(when, sizeof when, "%d.%m.%Y um %H:%M", &local);
  std::string text = std::string("Den letzten Abgleich vom ") + when + " rückgängig machen?\r\r" +
                     Count(copies, "Kopie geht", "Kopien gehen") + " in den Papierkorb, " +
                     Count(back, "Datei kommt", "Dateien kommen") + " aus dem Papierkorb zurück.";
  if (gone)
    text += "\r" + Count(gone, "Datei wurde", "Dateien wurden") +
            " endgültig gelöscht oder ersetzt und kommen nicht zurück.";
  if (!journal.ended) text += "\rDer Abgleich wurde nicht zu Ende geführt.";
  return text + "\rWas sich seither geändert hat, bleibt, wie es ist.";
}

std::string UndoTallyLine(const UndoTally& t) {
  std::string line;
  auto part = [&](int count, const char* what) {
    if (count == 0) return;
    line += (line.empty() ? "" : ", ") + std::to_string(count) + what;
  };
  part(t.restored, " zurückgeholt");
  part(t.copiesTrashed, t.copiesTrashed == 1 ? " Kopie im Papierkorb" : " Kopien im Papierkorb");
  part(static_cast<int>(t.leftAlone.size()), " unverändert gelassen");
  part(t.failed, " fehlgeschlagen");
  if (line.empty()) line = "nichts getan";
  return "Rückgängig: " + line;
}

std::string LeftAloneText(const UndoTally& t, size_t most) {
  if (t.leftAlone.empty()) return {};
  std::string text = "Seit dem Abgleich hat sich etwas geändert; das bleibt, wie es ist:\r";
  for (size_t i = 0; i < t.leftAlone.size() && i < most; ++i) text += "\r" + t.leftAlone[i];
  if (t.leftAlone.size() > most)
    text += "\r… und " + std::to_string(t.leftAlone.size() - most) + " weitere";
  return text;
}

namespace {

// The names below a folder follow its separator.
std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// Takes back the journal's entries, the last one first, until one fails or
// the user stops: whether every entry was taken back.
bool UndoEntries(Undo& undo, size_t count, RunReporter& run) {
  for (size_t i = count; i-- > 0;) {
    if (!undo.Entry(i)) return false;
    run.SetProgress(static_cast<float>(100.0 * static_cast<double>(count - i) / count));
    run.YieldUnlessFast();
    if (run.StopRequested()) return i == 0;
  }
  return true;
}

}  // namespace

UndoTally UndoRun(const RunJournalText& journal, const std::string& leftChosen,
                  const std::string& rightChosen, RunReporter& run, bool unattended,
                  const std::function<bool()>& starting) {
  const std::string leftFolder = WithSeparator(leftChosen),
                    rightFolder = WithSeparator(rightChosen);
  UndoTally tally;
  if (!unattended && run.ShowMessage(UndoPlanText(journal), MsgIcon::kExclamation,
                                     MsgButtons::kYesNo) != MsgAnswer::kYes) {
    tally.asked = true;
    return tally;
  }
  run.EnableCompareButton(false);
  run.SetStatus(2, kStatusUndoRunning);
  RunLock lock;
  std::string busyFolder;
  if (!lock.Take({leftFolder, rightFolder}, busyFolder)) {
    run.ShowMessage(BusyFolderMessage(busyFolder), MsgIcon::kCritical, MsgButtons::kOk);
    run.SetStatus(2, kStatusUndoDone);
    run.EnableCompareButton(true);
    tally.busy = true;
    return tally;
  }
  if (starting && !starting()) {
    ++tally.failed;
    run.SetStatus(2, kStatusUndoStopped);
    run.EnableCompareButton(true);
    return tally;
  }
  Undo undo(journal, leftFolder, rightFolder, run, unattended);
  const bool whole = UndoEntries(undo, journal.entries.size(), run);
  UndoTally done = undo.Finish();
  done.complete = whole && done.failed == 0;
  run.SetProgress(0);
  run.SetStatus(2, whole ? kStatusUndoDone : kStatusUndoStopped);
  run.EnableCompareButton(true);
  return done;
}

}  // namespace zweiblick
