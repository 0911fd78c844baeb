// SPDX-License-Identifier: GPL-3.0-or-later
// Status panel 1: the row count, and next to it what a synchronisation would
// do with the markers as they stand, or what the last one did.
#pragma once

#include <optional>
#include <string>

#include "list/row_count_text.h"
#include "sync/sync_plan.h"
#include "sync/synchronize_folders.h"

namespace zweiblick {

inline constexpr const char* kPanelOneRunning = "Esc bricht ab";

struct PanelOne {
  int rows = 0;
  int hidden = 0;                    // rows "Nur Unterschiede zeigen" hides
  bool running = false;              // a filling, comparison or synchronisation
  SyncPlan plan;                     // of the rows now in the list
  std::optional<SyncTally> account;  // the last run's, until the list changes otherwise
  std::string undone;                // the last undo's account, in its place
};

// "339 Dateien · Abgleich: → 12 (345 MB), löschen rechts 3" before a run, with
// "passt nicht: auf 'STICK' fehlen 2,2 MB" before the plan where a side is too small;
// "2 Dateien · Abgleich: 3 kopiert, 2 fehlgeschlagen" after one.
std::string PanelOneText(const PanelOne& panel);

}  // namespace zweiblick
