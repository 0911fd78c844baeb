// SPDX-License-Identifier: GPL-3.0-or-later
// The window's steps a control file drives. The window's logic carries them
// out; the batch mode sees nothing else of it, so it stays below the window.
#pragma once

#include <string>

#include "platform/batch_switches.h"
#include "platform/report_port.h"
#include "reading/name_filter.h"

namespace zweiblick {

struct SyncTally;

// The option buttons CompModeOpt, by index.
enum CompModeIndex : int { kCompModeBinary = 0, kCompModeAge = 1, kCompModeChanges = 2 };

class BatchSteps {
 public:
  virtual ~BatchSteps() = default;

  // The switches the control file sets, the control file last named, and
  // where the message about a control file that fails its checks goes.
  virtual BatchSwitches& Batch() = 0;
  virtual std::string& IniFile() = 0;
  virtual ReportPort& Report() = 0;

  // The steps, each with the effect of the window's own control.
  virtual void SelectCompMode(int index) = 0;
  virtual void SetNameFilter(NameFilter filter) = 0;
  virtual void FillColumn(const std::string& folderPath, bool isLeft) = 0;
  virtual void CompareSelected() = 0;
  virtual void CopyListToClipboard() = 0;
  virtual SyncTally SynchronizeFolders(bool proposals) = 0;
  // Undoes the last run of the pair of these two folders; whether all of it
  // was undone, nothing left as it was.
  virtual bool UndoLastRun(const std::string& leftFolder, const std::string& rightFolder) = 0;
  virtual void EndProcess() = 0;

  // After a step: whether it was stopped, and whether the program ends.
  virtual bool LastOperationStopped() const = 0;
  virtual bool Ending() const = 0;
};

}  // namespace zweiblick
