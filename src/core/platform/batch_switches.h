// SPDX-License-Identifier: GPL-3.0-or-later
// The switches of a batch run, set only by the batch mode; the filling and the
// comparison read them to leave out what an unattended run must not wait for.
#pragma once

namespace zweiblick {

struct BatchSwitches {
  bool BatchActive = false;
  bool BatchBinaryCompare = false;
  bool BatchAgeCompare = false;
  bool BatchChangeCompare = false;  // Änderungsvergleich=1: by what changed since the last run
  bool BatchSync = false;
  bool BatchClipboard = false;
  bool BatchEnd = false;
  // The synchronisation also carries out the proposals "? -->" and "? <--".
  bool BatchProposals = false;
  // Deleted and replaced files go to the trash; a control file's Papierkorb=0
  // deletes and replaces for good.
  bool Trash = true;
};

}  // namespace zweiblick
