// SPDX-License-Identifier: GPL-3.0-or-later
// Reads one folder tree into the left or the right column of the list.
#pragma once

#include <string>

#include "list/comparison_list.h"
#include "reading/chosen_folders.h"
#include "reading/walk_folder_tree.h"

namespace zweiblick {

class RunReporter;

// The left column starts a new comparison: the list is emptied and gets one row
// per file. The right column matches each file to a row by relative name,
// ignoring letter case, or appends a row. The first folder given to an empty list
// always fills the left column, unless `keepSide` (the pair is read again).
// Files are entered as the walk meets them. True when it filled the right column. Stopped at a
// yield, it leaves the list as it was before (the right column empty). Panel 1 is the caller's.
bool FillColumn(ComparisonList& list, ChosenFolders& folders, RunReporter& run,
                const std::string& folderPath, bool isLeft, bool keepSide = false);

inline constexpr const char* kStatusWalking =
    "Aufstellung der Dateien im betr. Verzeichnis läuft ...";
inline constexpr const char* kStatusEntering =
    "Eintragung der Dateien in die Vergleichsliste läuft ...";
inline constexpr const char* kStatusEntered = "Eintragung der Dateien abgeschlossen.";
inline constexpr const char* kStatusFillStopped = "Einlesen des Ordners abgebrochen.";

}  // namespace zweiblick
