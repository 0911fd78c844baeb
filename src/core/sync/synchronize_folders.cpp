#include "sync/synchronize_folders.h"

#include <functional>

#include "list/comparison_list.h"
#include "platform/run_reporter.h"
#include "platform/worker_pool.h"
#include "reading/chosen_folders.h"
#include "sync/failure_reason.h"
#include "sync/markers.h"
#include "sync/safe_files.h"

namespace zweiblick {
namespace {

std::string CopyFailure(const std::string& from, const std::string& to) {
  return "Die Datei '" + from + "'\rkonnte nicht nach '" + to + "'\rkopiert werden.";
}

std::string DeleteFailure(const std::string& path) {
  return "Die Datei '" + path + "'\rkonnte nicht gelöscht werden.";
}

// A late write error of a file system cannot be pinned on one row.
std::string UnsafeFolderMessage(const std::string& folder) {
  return "Die Daten im Ordner '" + folder +
         "' konnten nicht sicher auf den Datenträger geschrieben werden.\rDie Kopien dieses "
         "Abgleichs dort sind nicht sicher.";
}

std::string SyncFailureMessage(const std::string& failureText) {
  return "Abgleichsfehler:\r\r" + failureText + "\r\rBitte quittieren oder abbrechen";
}

class SyncRun {
 public:
  SyncRun(ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
          const SyncOptions& options)
      : list_(list),
        folders_(folders),
        run_(run),
        lf_(folders.LeftFolder, folders.LeftFolderFacts, folders.LeftFolderMount),
        rf_(folders.RightFolder, folders.RightFolderFacts, folders.RightFolderMount),
        proposals_(options.proposals),
        trash_(
            options.trash, options.unattended ? Trash::AskForGood{} : [&run](const std::string& f) {
              return run.ShowMessage(NoTrashQuestion(f), MsgIcon::kExclamation,
                                     MsgButtons::kYesNo) == MsgAnswer::kYes;
            }) {}

  // Carries out row i. False when the user aborted the run.
  bool Row(int i) {
    keep_ = false;
    std::string action(list_.View(i, kMarkerColumn));
    if (action == kMarkLeftOnly || action == kMarkRightOnly) {
      if (!proposals_) {
        ++tally_.proposals;
        return true;
      }
      action = action == kMarkLeftOnly ? kMarkCopyRight : kMarkCopyLeft;
    }
    std::string leftName(list_.View(i, kLeftNameColumn));
    std::string rightName(list_.View(i, kRightNameColumn));
    SeenFile left{!leftName.empty(), std::string(list_.View(i, kLeftStampColumn)),
                  list_.Facts(i, true)};
    SeenFile right{!rightName.empty(), std::string(list_.View(i, kRightStampColumn)),
                   list_.Facts(i, false)};
    const std::string& lf = folders_.LeftFolder;
    const std::string& rf = folders_.RightFolder;
    SideFolder& ls = lf_;
    SideFolder& rs = rf_;
    std::string leftPath = leftName.empty() ? "" : lf + leftName;
    std::string rightPath = rightName.empty() ? "" : rf + rightName;

    if (action == kMarkCopyRight) {
      // A file on one side only keeps its relative name on the other.
      std::string target = rightName.empty() ? leftName : rightName;
      if (rightName.empty()) rightPath = rf + leftName;
      PrepareTarget(rs, target, ls, leftName);  // its failure shows in the copy that follows
      return Attempt(CopyFailure(leftPath, rightPath), tally_.copied, [&] {
        return CopyBeneath(ls, leftName, left, rs, target, right, disk_, trash_);
      });
    }
    if (action == kMarkCopyLeft) {
      std::string target = leftName.empty() ? rightName : leftName;
      if (leftName.empty()) leftPath = lf + rightName;
      PrepareTarget(ls, target, rs, rightName);
      return Attempt(CopyFailure(rightPath, leftPath), tally_.copied, [&] {
        return CopyBeneath(rs, rightName, right, ls, target, left, disk_, trash_);
      });
    }
    if (action == kMarkDeleteRight)
      return Attempt(DeleteFailure(rightPath), tally_.deleted,
                     [&] { return DeleteBeneath(rs, rightName, right, disk_, trash_); });
    if (action == kMarkDeleteLeft)
      return Attempt(DeleteFailure(leftPath), tally_.deleted,
                     [&] { return DeleteBeneath(ls, leftName, left, disk_, trash_); });
    if (action == kMarkDeleteBoth) {
      return Attempt(DeleteFailure(leftPath), tally_.deleted,
                     [&] { return DeleteBeneath(ls, leftName, left, disk_, trash_); }) &&
             Attempt(DeleteFailure(rightPath), tally_.deleted,
                     [&] { return DeleteBeneath(rs, rightName, right, disk_, trash_); });
    }
    return true;  // every other marker names no file operation
  }

  // Whether the row stays in the list: one of its operations failed and the
  // user chose to ignore that. A later retry of another operation of the same
  // row does not make the ignored one done.
  bool Keep() const { return keep_; }
  const SyncTally& Finish() {
    // A slow stick takes its time to write everything out: the window goes
    // on meanwhile, and asks only afterwards.
    std::vector<UnsafeFolder> unsafeFolders;
    RunServingEvents([&] { unsafeFolders = disk_.Finish(); }, run_);
    for (const UnsafeFolder& unsafe : unsafeFolders) {
      ++tally_.failed;
      run_.ShowMessage(UnsafeFolderMessage(unsafe.folder), MsgIcon::kCritical, MsgButtons::kOk);
    }
    tally_.trashed = trash_.Moved();
    return tally_;
  }

 private:
  bool Attempt(const std::string& failureText, int& done, const std::function<int()>& operation) {
    for (;;) {
      int error = operation();
      if (error == 0) return ++done, true;
      MsgAnswer answer = MsgAnswer::kIgnore;  // the user asked to be asked no more
      if (!ignoreRest_)
        answer =
            run_.ShowFailure(SyncFailureMessage(failureText), FailureReason(error), ignoreRest_);
      if (answer == MsgAnswer::kRetry) continue;
      ++tally_.failed;
      if (answer == MsgAnswer::kIgnore) {
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
  Trash trash_;
  bool keep_ = false;
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
    if (count == 0 && brief) return;
    line += (line.empty() ? "" : ", ") + std::to_string(count) + what;
  };
  part(t.copied, " kopiert");
  part(t.deleted, " gelöscht");
  part(t.trashed, brief ? " im Papierkorb" : " in den Papierkorb");
  part(t.failed, " fehlgeschlagen");
  if (brief)
    part(t.proposals, t.proposals == 1 ? " Vorschlag offen" : " Vorschläge offen");
  else
    part(t.proposals, " nur vorgeschlagen (nicht kopiert)");
  // Panel 1 stands beside "Datenabgleich beendet.": it needs no heading of its own.
  if (brief) return line.empty() ? std::string("nichts getan") : line;
  return "Abgleich: " + line;
}

SyncTally SynchronizeFolders(ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
                             const SyncOptions& options) {
  run.EnableCompareButton(false);
  run.SetStatus(2, kStatusSyncRunning);
  int count = list.Count();
  SyncRun rows(list, folders, run, options);
  for (int i = count; i >= 1; --i) {
    if (!rows.Row(i)) break;
    run.SetProgress(static_cast<float>((1.0 - static_cast<double>(i) / count) * 100.0));
    if (!rows.Keep()) list.Remove(i);
    run.YieldUnlessFast();
    if (run.StopRequested()) break;  // Escape, or the program ends: as after Abort
  }
  // Durable before the run says it has ended.
  SyncTally tally = rows.Finish();
  run.SetProgress(0);
  run.SetStatus(2, kStatusSyncDone);
  run.EnableCompareButton(true);
  return tally;
}

}  // namespace zweiblick
