// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/synchronize_folders.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <functional>
#include <map>

#include "list/comparison_list.h"
#include "list/markers.h"
#include "platform/far_away.h"
#include "platform/run_reporter.h"
#include "platform/worker_pool.h"
#include "reading/chosen_folders.h"
#include "sync/copies_ahead.h"
#include "sync/failure_reason.h"
#include "sync/run_journal.h"
#include "sync/run_lock.h"
#include "sync/safe_files.h"

namespace zweiblick {
namespace {

std::string CopyFailure(const std::string& from, const std::string& to) {
  return "Die Datei '" + from + "'\rkonnte nicht nach '" + to + "'\rkopiert werden.";
}

std::string DeleteFailure(const std::string& path) {
  return "Die Datei '" + path + "'\rkonnte nicht gelöscht werden.";
}

}  // namespace

// A late write error of a file system cannot be pinned on one row.
std::string UnsafeFolderMessage(const std::string& folder) {
  return "Die Daten im Ordner '" + folder +
         "' konnten nicht sicher auf den Datenträger geschrieben werden.\rDie Kopien dieses "
         "Abgleichs dort sind nicht sicher.";
}

std::string BusyFolderMessage(const std::string& folder) {
  return std::string("Ein anderer Abgleich von ") + kProgramName +
         " schreibt gerade in den Ordner '" + folder +
         "'.\rDieser Abgleich wird daher nicht begonnen; bitte warten Sie, bis der andere "
         "beendet ist.";
}

namespace {

std::string SyncFailureMessage(const std::string& failureText) {
  return "Abgleichsfehler:\r\r" + failureText + kSyncFailureQuestion;
}

class SyncRun {
 public:
  SyncRun(ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
          const SyncOptions& options)
      : list_(list),
        folders_(folders),
        run_(run),
        lf_(folders.LeftFolder, folders.LeftFolderId),
        rf_(folders.RightFolder, folders.RightFolderId),
        proposals_(options.proposals),
        journal_(options.journal),
        trash_(
            options.trash, options.unattended ? Trash::AskForGood{} : [&run](const std::string& f) {
              return run.ShowMessage(NoTrashQuestion(f), MsgIcon::kExclamation,
                                     MsgButtons::kYesNo) == MsgAnswer::kYes;
            }),
        ahead_(folders, disk_, trash_, run, list.Count(),
               [this](int row, CopyRequest& copy) { return CopyOf(row, copy); }) {
    if (journal_) trash_.KeepTrashed();
  }

  // Carries out row i. False when the user aborted the run.
  bool Row(int i) {
    keep_ = false;
    row_ = i;
    // Tried anew: only this run's failure counts.
    list_.SetFailure(i, "");
    ahead_.Reached(i);
    std::string action(list_.View(i, kMarkerColumn));
    if ((action == kMarkLeftOnly || action == kMarkRightOnly) && !proposals_) {
      ++tally_.proposals;
      return true;
    }
    CopyRequest copy;
    if (CopyOf(i, copy)) {
      const std::string& from = copy.toRight ? folders_.LeftFolder : folders_.RightFolder;
      const std::string& to = copy.toRight ? folders_.RightFolder : folders_.LeftFolder;
      SideFolder& src = copy.toRight ? lf_ : rf_;
      SideFolder& dst = copy.toRight ? rf_ : lf_;
      std::string srcPath = copy.srcRel.empty() ? "" : from + copy.srcRel;
      return Attempt(CopyFailure(srcPath, to + copy.dstRel), tally_.copied, [&] {
        bool inPlace = false;
        struct stat placedAs {};
        int e = ahead_.Copy(i, copy, src, dst, inPlace, placedAs);
        Journal(!copy.toRight, copy.dstRel, inPlace ? kCopyStands : kNoCopy,
                copy.destination.existed, &placedAs);
        return e;
      });
    }
    // Every other marker names no file operation.
    if (action != kMarkDeleteRight && action != kMarkDeleteLeft && action != kMarkDeleteBoth)
      return true;
    std::string leftName(list_.View(i, kLeftNameColumn));
    std::string rightName(list_.View(i, kRightNameColumn));
    SeenFile left = Seen(i, true), right = Seen(i, false);
    const std::string& lf = folders_.LeftFolder;
    const std::string& rf = folders_.RightFolder;
    std::string leftPath = leftName.empty() ? "" : lf + leftName;
    std::string rightPath = rightName.empty() ? "" : rf + rightName;

    auto deleteLeft = [&] { return Deleted(true, leftName, left); };
    auto deleteRight = [&] { return Deleted(false, rightName, right); };
    if (action == kMarkDeleteRight)
      return Attempt(DeleteFailure(rightPath), tally_.deleted, deleteRight);
    if (action == kMarkDeleteLeft)
      return Attempt(DeleteFailure(leftPath), tally_.deleted, deleteLeft);
    return Attempt(DeleteFailure(leftPath), tally_.deleted, deleteLeft) &&
           Attempt(DeleteFailure(rightPath), tally_.deleted, deleteRight);
  }

  // Whether the row stays in the list: one of its operations failed and the
  // user chose to ignore that. A later retry of another operation of the same
  // row does not make the ignored one done.
  bool Keep() const { return keep_; }
  const SyncTally& Finish() {
    ahead_.Finish(lf_, rf_);
    // A slow stick takes its time to write everything out: the window goes
    // on meanwhile, and asks only afterwards.
    std::vector<UnsafeFolder> unsafeFolders;
    RunServingEvents([&] { unsafeFolders = disk_.Finish(); }, run_);
    for (const UnsafeFolder& unsafe : unsafeFolders) {
      ++tally_.failed;
      tally_.durable = false;
      run_.ShowMessage(UnsafeFolderMessage(unsafe.folder), MsgIcon::kCritical, MsgButtons::kOk);
    }
    tally_.trashed = trash_.Moved();
    return tally_;
  }

 private:
  SeenFile Seen(int i, bool left) const {
    bool existed = !list_.View(i, left ? kLeftNameColumn : kRightNameColumn).empty();
    return {existed, std::string(list_.View(i, left ? kLeftStampColumn : kRightStampColumn)),
            list_.Facts(i, left)};
  }

  int Deleted(bool left, const std::string& rel, const SeenFile& seen) {
    int e = DeleteBeneath(left ? lf_ : rf_, rel, seen, disk_, trash_);
    Journal(left, rel, kNoCopy, false);
    return e;
  }

  enum Copied { kNoCopy, kCopyStands };

  // What an operation just did, for its undo: the files it put into the
  // trash (or deleted for good), then the copy it put in place. Also after
  // an operation that failed: a copy whose time would not hold fails once it
  // stands in place, and an old version whose copy failed may stay in the
  // trash.
  // `placedAs`: the copy as it stands, where that is known without a look
  // (st_mode 0: looked at).
  void Journal(bool left, const std::string& rel, Copied copied, bool replaced,
               const struct stat* placedAs = nullptr) {
    if (!journal_) return;
    SideFolder& side = left ? lf_ : rf_;
    int dir = -1;
    std::string name;
    const bool reached = side.Parent(rel, Reach::kWrite, dir, name) == 0;
    const bool inodesLast = reached && InodesLastOn(side, dir);
    const bool trashed = JournalTrashed(left, rel, inodesLast);
    // A copy that failed before it took its name is not in its place: what
    // stands there is the user's own file.
    if (copied == kNoCopy) return;
    JournalEntry copy;
    copy.left = left;
    copy.rel = rel;
    if (replaced && !trashed) {
      copy.kind = JournalEntry::Kind::kGone;  // replaced for good
      journal_->Add(copy);
    }
    const bool known = placedAs && placedAs->st_mode != 0;
    struct stat st {};
    if (known) st = *placedAs;
    if (!reached || (!known && fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)) {
      // A copy the undo would not know of: better no undo than half of one.
      journal_->Lost(reached ? errno : EIO);
      return;
    }
    copy.kind = JournalEntry::Kind::kCopy;
    copy.facts = FactsOf(st);
    if (!inodesLast) copy.facts.inode = 0;
    journal_->Add(copy);
  }

  // An inode number that will not last says nothing at the undo. Asked once
  // per file system: on a far disk each question is a round trip.
  bool InodesLastOn(SideFolder& side, int dir) {
    const dev_t disk = side.WriteFolderId().first;
    auto known = inodesLast_.find(disk);
    if (known == inodesLast_.end()) known = inodesLast_.emplace(disk, InodesLast(dir)).first;
    return known->second;
  }

  // Journals what the operation put into the trash or deleted for good;
  // false when that was nothing.
  bool JournalTrashed(bool left, const std::string& rel, bool inodesLast) {
    bool trashed = false;
    for (TrashedFile& t : trash_.TakeTrashed()) {
      trashed = true;
      JournalEntry e;
      e.left = left;
      e.rel = rel;
      e.kind = t.forGood ? JournalEntry::Kind::kGone : JournalEntry::Kind::kTrashed;
      e.facts = t.facts;
      if (!inodesLast) e.facts.inode = 0;
      e.trash = std::move(t.files);
      e.inTrash = std::move(t.name);
      // A trash nobody can name, or a file that could not be looked at there,
      // cannot be found again: as if it were gone.
      if (e.kind == JournalEntry::Kind::kTrashed && (e.trash.empty() || !e.facts.Known()))
        e.kind = JournalEntry::Kind::kGone;
      journal_->Add(e);
    }
    return trashed;
  }

  // The copy row i asks for now; a file on one side only keeps its relative
  // name on the other.
  bool CopyOf(int i, CopyRequest& copy) const {
    std::string_view action = list_.View(i, kMarkerColumn);
    if (proposals_ && action == kMarkLeftOnly) action = kMarkCopyRight;
    if (proposals_ && action == kMarkRightOnly) action = kMarkCopyLeft;
    if (action != kMarkCopyRight && action != kMarkCopyLeft) return false;
    copy.toRight = action == kMarkCopyRight;
    std::string leftName(list_.View(i, kLeftNameColumn));
    std::string rightName(list_.View(i, kRightNameColumn));
    copy.srcRel = copy.toRight ? leftName : rightName;
    copy.dstRel = copy.toRight ? rightName : leftName;
    if (copy.dstRel.empty()) copy.dstRel = copy.srcRel;
    copy.source = Seen(i, copy.toRight);
    copy.destination = Seen(i, !copy.toRight);
    return true;
  }

  bool Attempt(const std::string& failureText, int& done, const std::function<int()>& operation) {
    for (;;) {
      int error = operation();
      if (error == 0) return ++done, true;
      MsgAnswer answer = MsgAnswer::kIgnore;  // the user asked to be asked no more
      std::string reason = FailureReason(error);
      if (!ignoreRest_)
        answer = run_.ShowFailure(SyncFailureMessage(failureText), reason, ignoreRest_);
      if (answer == MsgAnswer::kRetry) continue;
      ++tally_.failed;
      if (answer == MsgAnswer::kIgnore) {
        // The row stays: it says why, once its box is gone. Both deletions of
        // "XX" may fail, each for a reason of its own.
        std::string said(list_.Failure(row_));
        list_.SetFailure(row_, said.empty() || said == reason ? reason : said + " / " + reason);
        keep_ = true;
        return true;
      }
      return false;
    }
  }

  ComparisonList& list_;
  const ChosenFolders& folders_;
  RunReporter& run_;
  DurableRun disk_;
  SideFolder lf_, rf_;
  bool proposals_;
  RunJournal* journal_;
  std::map<dev_t, bool> inodesLast_;  // by file system written to
  Trash trash_;
  CopiesAhead ahead_;
  bool keep_ = false;
  int row_ = 0;
  bool ignoreRest_ = false;  // every later failure of this run is ignored without a box
  SyncTally tally_;
};

}  // namespace

std::string NoTrashQuestion(const std::string& folder) {
  return "Auf dem Datenträger von '" + folder +
         "' lässt sich kein Papierkorb anlegen.\rSollen die Dateien dort endgültig gelöscht und "
         "ersetzt werden?";
}

std::string SyncTallyLine(const SyncTally& t, bool brief) {
  std::string line;
  auto part = [&](int count, const char* what) {
    if (count == 0) return;
    line += (line.empty() ? "" : ", ") + std::to_string(count) + what;
  };
  part(t.copied, " kopiert");
  part(t.deleted, " gelöscht");
  part(t.trashed, " im Papierkorb");
  part(t.failed, " fehlgeschlagen");
  part(t.proposals, t.proposals == 1 ? " Vorschlag offen" : " Vorschläge offen");
  if (line.empty()) line = "nichts getan";
  // Panel 1 stands beside "Datenabgleich beendet.": it needs no heading of its own.
  return brief ? line : "Abgleich: " + line;
}

SyncTally SynchronizeFolders(ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
                             const SyncOptions& options) {
  run.EnableCompareButton(false);
  run.SetStatus(2, kStatusSyncRunning);
  // Before anything is written: a run that is refused has done nothing.
  RunLock lock;
  std::string busyFolder;
  if (!lock.Take({folders.LeftFolder, folders.RightFolder}, busyFolder)) {
    run.ShowMessage(BusyFolderMessage(busyFolder), MsgIcon::kCritical, MsgButtons::kOk);
    run.SetStatus(2, kStatusSyncDone);
    run.EnableCompareButton(true);
    SyncTally refused;
    refused.busy = true;
    return refused;
  }
  if (options.starting) options.starting();
  int count = list.Count();
  SyncRun rows(list, folders, run, options);
  for (int i = count; i >= 1; --i) {
    if (!rows.Row(i)) break;
    run.SetProgress(static_cast<float>((1.0 - static_cast<double>(i) / count) * 100.0));
    if (!rows.Keep()) {
      if (options.processed) options.processed(list, i);
      list.Remove(i);
    }
    run.YieldUnlessFast();
    if (run.StopRequested()) break;  // Escape, or the program ends: as after Abort
  }
  // Durable before the run says it has ended.
  SyncTally tally = rows.Finish();
  run.SetProgress(0);
  run.SetStatus(2, run.StopRequested() ? kStatusSyncStopped : kStatusSyncDone);
  run.EnableCompareButton(true);
  return tally;
}

}  // namespace zweiblick
