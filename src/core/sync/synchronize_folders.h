// SPDX-License-Identifier: GPL-3.0-or-later
// Carries out the row actions of the list, from the last row up.
#pragma once

#include <functional>
#include <string>

namespace zweiblick {

class ComparisonList;
class RunJournal;
class RunReporter;
struct ChosenFolders;

inline constexpr const char* kStatusSyncRunning = "Datenabgleich läuft ...";
inline constexpr const char* kStatusSyncDone = "Datenabgleich beendet.";
// Escape, or the window closed during the run: the rest was not done.
inline constexpr const char* kStatusSyncStopped = "Datenabgleich abgebrochen.";
// The end of the failure box's text: what the user is asked. A front end
// that answers by itself does not print it.
inline constexpr const char* kSyncFailureQuestion = "\r\rBitte quittieren oder abbrechen";

// What one run did, counted by file.
struct SyncTally {
  int copied = 0;
  int deleted = 0;
  int trashed = 0;      // deleted or replaced files now in a trash
  int failed = 0;       // ended in Ignore or Abort; a folder whose data could not be made durable
  int proposals = 0;    // rows "? -->" and "? <--" left alone
  bool busy = false;    // refused: another run is writing one of the folders
  bool durable = true;  // every folder's data is on the disk
};

// The tally as one German line (without line end), in the same words in the
// window and on the command line; the counts that are 0 are left out, so
// that it fits beside panel 2 in a window of its first size. `brief`, for
// status panel 1, which stands beside "Datenabgleich beendet.", leaves out
// the heading "Abgleich: ".
std::string SyncTallyLine(const SyncTally& tally, bool brief = false);

// How a run goes about its work.
struct SyncOptions {
  // The proposals "? -->" and "? <--" are carried out as copies too (an
  // unattended run that is to bring a new folder up to date).
  bool proposals = false;
  // Deleted and replaced files go to the trash; false: they are gone for good.
  bool trash = true;
  // Nobody is asked whether to delete for good where a file system has no
  // trash: those rows fail.
  bool unattended = false;
  // Where the run writes down what it does, so that it can be undone.
  RunJournal* journal = nullptr;
  // Called once the run may write, before the first file is touched.
  std::function<void()> starting;
  // Called for each row carried out or left alone, before it leaves the list;
  // not for a row that failed or that the run did not reach.
  std::function<void(const ComparisonList&, int row)> processed;
};

// What a run says where a late write error of a file system leaves its data
// there unsafe, and where another run holds one of the folders.
std::string UnsafeFolderMessage(const std::string& folder);
std::string BusyFolderMessage(const std::string& folder);
// The question where a file system has no trash.
std::string NoTrashQuestion(const std::string& folder);

// Copies and deletes as the markers "-->", "<--", "X->", "<-X" and "XX" say and
// removes every processed row. A failed operation asks abort, retry or ignore;
// a row whose failure was ignored stays in the list.
SyncTally SynchronizeFolders(ComparisonList& list, const ChosenFolders& folders, RunReporter& run,
                             const SyncOptions& options);

}  // namespace zweiblick
