// SPDX-License-Identifier: GPL-3.0-or-later
// Undoes the last run of a pair from its journal, last operation first: a
// copy goes to the trash, and the file it replaced, or a file the run
// deleted, comes back from the trash by a rename where its place is free.
// Whatever changed since the run is left as it is and named; nothing is
// overwritten, and folders stay.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "sync/run_journal.h"

namespace zweiblick {

class RunReporter;

inline constexpr const char* kStatusUndoRunning = "Rückgängig machen läuft ...";
inline constexpr const char* kStatusUndoDone = "Rückgängig machen beendet.";
inline constexpr const char* kStatusUndoStopped = "Rückgängig machen abgebrochen.";

struct UndoTally {
  int copiesTrashed = 0;  // copies of the run now in the trash
  int restored = 0;       // files back in their places from the trash
  int failed = 0;         // ended in Ignore or Abort, or not made durable
  bool asked = false;     // the plan was shown and answered No: nothing was done
  bool busy = false;      // another run is writing one of the folders
  bool complete = false;  // every entry was seen to: the journal is used up
  bool none = false;      // the pair has no run to undo
  // What stays as it is, one German line each.
  std::vector<std::string> leftAlone;
};

// The plan, shown before anything is done.
std::string UndoPlanText(const RunJournalText& journal);
// The account as one line, in the words of the run's.
std::string UndoTallyLine(const UndoTally& tally);
// The box after the undo that names what stayed as it was; empty where nothing did.
std::string LeftAloneText(const UndoTally& tally, size_t most);

// `leftFolder`, `rightFolder`: the pair's chosen folders now (a stick may be
// mounted elsewhere than at the run). `unattended`: no question is asked,
// not the plan and not whether to delete for good where there is no trash.
// `starting`: called once the undo may write, before the first file is
// touched; false: nothing is touched.
UndoTally UndoRun(const RunJournalText& journal, const std::string& leftFolder,
                  const std::string& rightFolder, RunReporter& run, bool unattended,
                  const std::function<bool()>& starting = {});

// The trash folder `trash` named below the run's chosen folder `then`,
// named as below the same folder mounted at `now`; unchanged where the
// folder did not move or the trash lies elsewhere (the home trash).
std::string MovedWithFolder(const std::string& trash, const std::string& then,
                            const std::string& now);

}  // namespace zweiblick
