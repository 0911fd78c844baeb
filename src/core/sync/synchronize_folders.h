// Carries out the row actions of the list, from the last row up.
#pragma once

#include <string>

namespace zweiblick {

class MainWindow;

inline constexpr const char* kStatusSyncRunning = "Datenabgleich läuft ...";
inline constexpr const char* kStatusSyncDone = "Datenabgleich beendet.";

// Copies and deletes as the markers "-->", "<--", "X->", "<-X" and "XX" say and
// removes every processed row. A failed operation asks abort, retry or ignore;
// a row whose failure was ignored stays in the list.
void SynchronizeFolders(MainWindow& w);

}  // namespace zweiblick
